#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_prompt.h"
#include "tests/fakes/fakes.h"

namespace marlit {
namespace {

// One contract for the system clipboard and its fake, so that the fake cannot drift.
template <typename T>
class ClipboardContract : public ::testing::Test {
 protected:
  T clipboard;
};

using Clipboards = ::testing::Types<QtClipboard, fake::FakeClipboard>;
TYPED_TEST_SUITE(ClipboardContract, Clipboards);

TYPED_TEST(ClipboardContract, HoldsExactlyTheWrittenText) {
  for (const std::u16string text : {u"00104000", u"", u"中文 text\r\n"}) {
    this->clipboard.Clear();
    EXPECT_EQ(this->clipboard.ReadText(), std::nullopt);
    this->clipboard.WriteText(text);
    EXPECT_EQ(this->clipboard.ReadText(), std::optional<std::u16string>(text));
  }
}

TEST(MessageBoxText, ShowsCrLfAsLineBreaks) {
  EXPECT_EQ(MessageBoxText(u"a\r\nb\r\n\r\nc"), QStringLiteral("a\nb\n\nc"));
}

struct SeenBox {
  QString title, text;
  QStringList buttons;
  QString defaultButton;
  bool icon = true;
  int width = 0;
};

// Shows one box and answers it from a timer with the button named answer.
SeenBox Answer(const std::function<void()>& show, const QString& answer) {
  SeenBox seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon() != QMessageBox::NoIcon;
    seen.width = box->width();
    for (QAbstractButton* b : box->buttons()) seen.buttons.push_back(b->text());
    if (box->defaultButton() != nullptr) seen.defaultButton = box->defaultButton()->text();
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == answer) b->click();
    }
  });
  show();
  return seen;
}

TEST(QtPrompt, MessagesAndQuestionsSpeakTheProgramsTexts) {
  QtPrompt prompt;
  SeenBox message = Answer([&] { prompt.ShowMessage(u"溢出！請填寫正確的數值。"); }, "確定");
  EXPECT_EQ(message.title, QStringLiteral("Vesko偏移量轉換器"));
  EXPECT_EQ(message.text, QStringLiteral("溢出！請填寫正確的數值。"));
  EXPECT_EQ(message.buttons, QStringList{"確定"});
  EXPECT_FALSE(message.icon);

  bool ok = true;
  SeenBox question = Answer([&] { ok = prompt.AskOkCancel(u"堅持打開嗎？"); }, "取消");
  EXPECT_FALSE(ok);
  EXPECT_EQ(question.buttons.size(), 2);
  EXPECT_EQ(question.defaultButton, QStringLiteral("取消"));
  EXPECT_FALSE(question.icon);
  Answer([&] { ok = prompt.AskOkCancel(u"堅持打開嗎？"); }, "確定");
  EXPECT_TRUE(ok);
}

// A window manager cuts a title that does not fit beside its icon and buttons ("Vesk… 轉換器").
TEST(QtPrompt, ABoxIsAsWideAsItsTitleNeeds) {
  QFont bold = QApplication::font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  const int needed =
      metrics.horizontalAdvance(QStringLiteral("Vesko偏移量轉換器")) + 4 * metrics.height();
  QtPrompt prompt;
  EXPECT_GE(Answer([&] { prompt.ShowMessage(u"短"); }, "確定").width, needed);
  EXPECT_GE(Answer([&] { (void)prompt.AskOkCancel(u"短"); }, "確定").width, needed);
  std::u16string text;
  for (int i = 0; i < 30; ++i) text += u"短\r\n";
  int scrolling = 0;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    scrolling = box->width();
    for (auto* b : box->findChildren<QPushButton*>()) b->click();
  });
  prompt.ShowMessage(text);
  EXPECT_GE(scrolling, needed) << "a long message of short lines";
}

TEST(QtPrompt, LongMessageScrollsAndKeepsItsWholeText) {
  std::u16string text;
  for (int i = 0; i < 500; ++i)
    text += u"★ 區段「.text   」的 FileMin 和區段「.data   」的 FileOffset 部分重疊 ★\r\n";
  QtPrompt prompt;
  QString title, shown;
  QStringList buttons;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    auto* view = box->findChild<QPlainTextEdit*>(QStringLiteral("messageText"));
    ASSERT_NE(view, nullptr);
    shown = view->toPlainText();
    EXPECT_LE(box->sizeHint().height(), 2000) << "the box stays within reach";
    for (auto* b : box->findChildren<QPushButton*>()) buttons.push_back(b->text());
    for (auto* b : box->findChildren<QPushButton*>()) b->click();
  });
  prompt.ShowMessage(text);
  EXPECT_EQ(title, QStringLiteral("Vesko偏移量轉換器"));
  EXPECT_EQ(shown, MessageBoxText(text));
  EXPECT_EQ(buttons, QStringList{"確定"});
}

}  // namespace
}  // namespace marlit
