// The window in English: every text translated, and each one as wide as its control lets it be,
// with no control running into the next.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>

#include "dialogs/text_fit.h"
#include "platform/translation.h"
#include "tests/mainwindow/window_fakes.h"

namespace marlit::test {
namespace {

bool HasChineseCharacter(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x2E80) return true;
  }
  return false;
}

struct ControlCase {
  const char* name;
  const char* english;
};

class EnglishWindowTest : public testing::TestWithParam<ControlCase> {
 protected:
  WindowBed bed;
};

QString TextOf(const QWidget& control) {
  if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) return button->text();
  if (const auto* label = qobject_cast<const QLabel*>(&control)) return label->text();
  return {};
}

TEST_P(EnglishWindowTest, ControlShowsItsWholeEnglishText) {
  const auto& control = *bed.Get<QWidget>(GetParam().name);
  EXPECT_EQ(TextOf(control), QString::fromUtf8(GetParam().english));
  EXPECT_LE(TextWidth(control), control.width()) << GetParam().name;
  EXPECT_LE(control.mapTo(bed.window.get(), QPoint(control.width(), 0)).x(), bed.window->width());
}

const ControlCase kControls[] = {
    {"進制0", "Dec"},   {"進制1", "Hex"},  {"選擇區段訊息", "Sections"},
    {"頂端", "On top"}, {"關於", "About"}, {"至剪貼簿", "To clipboard"},
    {"l0", "Address"},  {"l1", "Offset"},  {"l2", "Bytes"},
    {"l3", "What"},     {"列出引用", "References"},
};

INSTANTIATE_TEST_SUITE_P(Controls, EnglishWindowTest, testing::ValuesIn(kControls));

// Left to right on each row, no control's text reaches into the next control (the buttons of
// the layout share their edge pixel, as the Chinese ones do).
TEST_F(EnglishWindowTest, RowsDoNotOverlap) {
  const std::vector<std::vector<const char*>> rows = {
      {"進制1", "區段訊息", "選擇區段訊息", "頂端", "關於"},
      {"l0", "虛偏移", "l1", "實偏移", "l2", "代碼", "至剪貼簿"},
      {"程式名", "瀏覽程式名"},
      {"l3", "位址說明", "列出引用"}};
  for (const auto& row : rows) {
    for (std::size_t i = 0; i + 1 < row.size(); ++i) {
      const auto* left = bed.Get<QWidget>(row[i]);
      EXPECT_LE(left->x() + TextWidth(*left), bed.Get<QWidget>(row[i + 1])->x() + 1)
          << row[i] << " runs into " << row[i + 1];
    }
  }
}

TEST_F(EnglishWindowTest, CaptionAndListAreEnglish) {
  EXPECT_TRUE(bed.window->windowTitle().startsWith(QStringLiteral("Vesko Offset Converter 0.94 B")))
      << bed.window->windowTitle().toStdString();
  EXPECT_EQ(bed.Items(), QStringList{QStringLiteral("No section")});
  const auto* file = bed.Get<QLineEdit>("程式名");
  EXPECT_EQ(file->placeholderText(),
            QStringLiteral("Drop an .exe, .dll or .ocx file here or click “…”"));
  // The whole hint shows, with the field's margins.
  EXPECT_LE(file->fontMetrics().horizontalAdvance(file->placeholderText()) + 12, file->width());
  for (const QWidget* w : bed.window->findChildren<QWidget*>()) {
    EXPECT_FALSE(HasChineseCharacter(TextOf(*w))) << w->objectName().toStdString();
  }
}

}  // namespace
}  // namespace marlit::test

int main(int argc, char* argv[]) {
  ::setenv("LANGUAGE", "en", 1);
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
  ::setenv("MARLIT_LOCALEDIR", MARLIT_LOCALEDIR, 1);
  marlit::StartTranslation();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
