#include "probe/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "tests/fakes/fake_keyboard.h"

namespace marlit {
namespace {

struct CaptionCase {
  const char* name;
  const char* locale;
  int code;
  const char* expected;
};

class CaptionTable : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(CaptionTable, NamesTheCodeAndTheTimeOfDayWithoutTimeZone) {
  const QTime time(14, 3, 27);
  EXPECT_EQ(KeyCaption(GetParam().code, time, QLocale(QString::fromLatin1(GetParam().locale))),
            QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, CaptionTable,
    ::testing::Values(
        CaptionCase{"C", "C", 30, "30 - This Key Was pressed Last (14:03:27)"},
        CaptionCase{"Escape", "C", 1, "1 - This Key Was pressed Last (14:03:27)"},
        CaptionCase{"RightCtrl", "C", 157, "157 - This Key Was pressed Last (14:03:27)"},
        CaptionCase{"UnitedStates", "en_US", 88, "88 - This Key Was pressed Last (2:03:27 PM)"},
        CaptionCase{"Germany", "de_DE", 0, "0 - This Key Was pressed Last (14:03:27)"}),
    [](const auto& p) { return std::string(p.param.name); });

// What a message box showed before the test closed it.
struct SeenBox {
  bool seen = false;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
};

// Closes the next modal message box with its default button and records what it showed.
void CloseNextMessageBox(SeenBox& seen) {
  QTimer::singleShot(20, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return CloseNextMessageBox(seen);
    seen = {true, box->windowTitle(), box->text(), box->icon(),
            static_cast<int>(box->buttons().size())};
    box->button(QMessageBox::Ok)->click();
  });
}

class Form1Test : public ::testing::Test {
 protected:
  fake::FakeKeyboard keyboard_;
  fake::FakeDirectX dxRoot_{keyboard_};
  Form1 form_{dxRoot_};
};

TEST_F(Form1Test, MissingDirectInputShowsTheMessageAndNoWindow) {
  keyboard_.refuseCreate = true;
  SeenBox seen;
  CloseNextMessageBox(seen);
  EXPECT_FALSE(form_.Form_Load());
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.text, "Error starting Direct Input, please make sure you have DirectX installed");
  EXPECT_EQ(seen.title, "Tessaly");
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(keyboard_.acquires, 0);
}

TEST_F(Form1Test, ShowsAFixedCaptionBarWithACloseControlOnly) {
  ASSERT_TRUE(form_.Form_Load());
  EXPECT_TRUE(form_.isVisible());
  EXPECT_EQ(form_.size(), QSize(413, 2));
  EXPECT_EQ(form_.minimumSize(), form_.maximumSize());
  EXPECT_TRUE(form_.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(form_.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(form_.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(keyboard_.window, static_cast<NativeWindowId>(form_.winId()));
  EXPECT_TRUE(keyboard_.acquired);
  EXPECT_TRUE(form_.windowTitle().isEmpty());
}

TEST_F(Form1Test, CaptionFollowsTheHighestKeyDownAndStaysWhenAllAreUp) {
  ASSERT_TRUE(form_.Form_Load());
  form_.tmrKey_Timer();
  EXPECT_TRUE(form_.windowTitle().isEmpty());
  keyboard_.Press(30);
  form_.tmrKey_Timer();
  EXPECT_TRUE(form_.windowTitle().startsWith("30 - This Key Was pressed Last ("));
  EXPECT_TRUE(form_.windowTitle().endsWith(")"));
  keyboard_.Press(31);
  form_.tmrKey_Timer();
  EXPECT_TRUE(form_.windowTitle().startsWith("31 - This Key Was pressed Last ("));
  const QString last = form_.windowTitle();
  keyboard_.Release(30);
  keyboard_.Release(31);
  form_.tmrKey_Timer();
  EXPECT_EQ(form_.windowTitle(), last);
}

TEST_F(Form1Test, ClosingUnacquiresTheKeyboard) {
  ASSERT_TRUE(form_.Form_Load());
  form_.close();
  EXPECT_FALSE(keyboard_.acquired);
  EXPECT_EQ(keyboard_.unacquires, 1);
}

TEST_F(Form1Test, LaterSetUpFailuresAreThrownNotReportedAsMissingDirectX) {
  keyboard_.refuseDevice = true;
  EXPECT_THROW((void)form_.Form_Load(), DirectInputError);
  EXPECT_FALSE(form_.isVisible());
}

}  // namespace
}  // namespace marlit

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(marlit::kTessalyTitle));
  return RUN_ALL_TESTS();
}
