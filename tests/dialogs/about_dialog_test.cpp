#include "dialogs/about_dialog.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QtTest/QTest>

#include "modal.h"
#include "widgets.h"

namespace marlit {
namespace {

using test::Control;

struct AboutCase {
  int major;
  int minor;
  const char* appName;
};

class AboutCaptionTest : public testing::TestWithParam<AboutCase> {};

TEST_P(AboutCaptionTest, BuildsNameAndCaptionFromTheVersion) {
  test::OwnerWindow owner;
  const AboutCase& c = GetParam();
  const bool shown = test::WithModalDialog(
      [&] {
        關於對話框::顯示(owner, VersionInfo{u"Vesko偏移量轉換器", c.major, c.minor});
      },
      [&](QDialog& d) {
        EXPECT_EQ(Control<QLabel>(d, "AppName").text(), QString::fromUtf8(c.appName));
        EXPECT_EQ(d.windowTitle(), QStringLiteral("關於Vesko偏移量轉換器"));
        QTest::mouseClick(&Control<QPushButton>(d, "確定"), Qt::LeftButton);
      });
  EXPECT_TRUE(shown);
}

INSTANTIATE_TEST_SUITE_P(Versions, AboutCaptionTest,
                         testing::Values(AboutCase{0, 94, "Vesko偏移量轉換器 0.94B 版"},
                                         AboutCase{1, 5, "Vesko偏移量轉換器 1.5B 版"},
                                         AboutCase{2, 10, "Vesko偏移量轉換器 2.10B 版"},
                                         AboutCase{12, 0, "Vesko偏移量轉換器 12.0B 版"}));

TEST(AboutDialogTest, TheBuildsOwnVersionByDefault) {
  test::OwnerWindow owner;
  (void)test::WithModalDialog([&] { 關於對話框::顯示(owner); },
                              [](QDialog& d) {
                                EXPECT_EQ(Control<QLabel>(d, "AppName").text(),
                                          QStringLiteral("Vesko偏移量轉換器 0.94B 版"));
                                d.close();
                              });
}

TEST(AboutDialogTest, ControlsAndTheirSettings) {
  test::OwnerWindow owner;
  (void)test::WithModalDialog(
      [&] { 關於對話框::顯示(owner); },
      [&](QDialog& d) {
        EXPECT_EQ(d.size(), QSize(274, 131));
        EXPECT_EQ(d.windowIcon().cacheKey(), owner.windowIcon().cacheKey());
        EXPECT_EQ(d.font(), owner.font());
        EXPECT_DOUBLE_EQ(Control<QLabel>(d, "AppName").font().pointSizeF(), 10.5);
        auto& ok = Control<QPushButton>(d, "確定");
        EXPECT_EQ(d.focusWidget(), &ok);
        EXPECT_FALSE(ok.isDefault());
        EXPECT_FALSE(ok.autoDefault());
        for (const char* line : {"Creator", "Label1", "Label2"}) {
          EXPECT_EQ(Control<QLabel>(d, line).parentWidget()->objectName(),
                    QStringLiteral("Frame1"));
        }
        for (const char* line : {"AppName", "Creator", "Label1", "Label2"}) {
          // The whole text fits its box, so nothing of it is cut off.
          const QLabel& label = Control<QLabel>(d, line);
          EXPECT_LE(label.sizeHint().width(), label.width()) << line;
          EXPECT_LE(label.sizeHint().height(), label.height()) << line;
        }
        QTest::keyClick(&d, Qt::Key_Escape);
        QTest::keyClick(&ok, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        QTest::mouseClick(&ok, Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
      });
  EXPECT_TRUE(owner.findChildren<QDialog*>().isEmpty());
}

TEST(AboutDialogTest, CentringIsClampedToTheScreensLeftAndTop) {
  test::OwnerWindow owner;
  owner.setGeometry(-500, 20, 200, 40);
  (void)test::WithModalDialog([&] { 關於對話框::顯示(owner); },
                              [&](QDialog& d) {
                                EXPECT_EQ(d.frameGeometry().left(), 0);
                                EXPECT_EQ(d.frameGeometry().top(), 0);
                                d.close();
                              });
  owner.setGeometry(1500, 1200, 600, 400);
  (void)test::WithModalDialog(
      [&] { 關於對話框::顯示(owner); },
      [&](QDialog& d) {
        const QPoint offset = d.frameGeometry().center() - owner.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
        d.close();
      });
}

}  // namespace
}  // namespace marlit
