// The two dialogs opened from the main window's buttons, as the user meets them: what 確定 leaves
// behind shows in the window's section list and translation.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialogs/about_dialog.h"
#include "dialogs/section_dialog.h"
#include "modal.h"
#include "tests/common/pe_builder.h"
#include "tests/mainwindow/window_fakes.h"
#include "widgets.h"

namespace marlit::test {
namespace {

class MainWindowDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bed.chooseSections = [](QWidget& owner, PeImage& image, Prompt& prompt) {
      return 選擇區段::選擇(owner, image, prompt);
    };
    bed.about = [](QWidget& owner) { 關於對話框::顯示(owner); };
  }
  // Image base 400000h; .text at file 400h and memory 1000h, .data at file 600h and memory 3000h.
  void Load() {
    PeBuilder b;
    b.AddSection(".text", 0x1000, 0x200, 0x400).AddSection(".data", 0x3000, 0x200, 0x600);
    const QString path = QString::fromStdString((dir / "a.exe").string());
    b.WriteTo(path.toStdString());
    bed.window->OpenFromCommandLine(path);
    ASSERT_EQ(bed.Text("程式名"), path);
  }
  // Clicks 選擇 and lets act work in the dialog; whether a dialog was shown.
  bool Choose(const std::function<void(QDialog&)>& act) {
    return WithModalDialog([&] { QTest::mouseClick(bed.Button("選擇區段訊息"), Qt::LeftButton); },
                           act);
  }
  void TypeOffset(const QString& text) {
    bed.Field("實偏移")->setFocus();
    bed.Field("實偏移")->clear();
    QTest::keyClicks(bed.Field("實偏移"), text);
  }

  TempDir dir;
  WindowBed bed;
};

TEST_F(MainWindowDialogsTest, UntickAndOkRemovesTheSectionFromListAndTranslation) {
  Load();
  TypeOffset("410");
  ASSERT_EQ(bed.Text("虛偏移"), "401010");
  ASSERT_TRUE(Choose([](QDialog& d) {
    Control<QListWidget>(d, "區段清單").item(1)->setCheckState(Qt::Unchecked);
    QTest::mouseClick(&Control<QPushButton>(d, "確定"), Qt::LeftButton);
  }));
  EXPECT_EQ(bed.Items(), (QStringList{"不在段內", "檔案頭", ".data"}));
  EXPECT_EQ(bed.Text("實偏移"), "") << "the report clears the panel";
  TypeOffset("410");
  EXPECT_EQ(bed.Text("虛偏移"), "");
  EXPECT_EQ(bed.List()->currentIndex(), 0);
  TypeOffset("610");
  EXPECT_EQ(bed.Text("虛偏移"), "403010");
  EXPECT_EQ(bed.List()->currentText(), ".data");
}

TEST_F(MainWindowDialogsTest, UntickAndCancelChangesNothing) {
  Load();
  ASSERT_TRUE(Choose([](QDialog& d) {
    Control<QListWidget>(d, "區段清單").item(1)->setCheckState(Qt::Unchecked);
    QTest::mouseClick(&Control<QPushButton>(d, "取消"), Qt::LeftButton);
  }));
  EXPECT_EQ(bed.Items(), (QStringList{"不在段內", "檔案頭", ".text", ".data"}));
  TypeOffset("410");
  EXPECT_EQ(bed.Text("虛偏移"), "401010");
}

TEST_F(MainWindowDialogsTest, RvaLeavesTheImageBaseOutUntilVaIsChosen) {
  Load();
  ASSERT_TRUE(Choose([](QDialog& d) {
    EXPECT_TRUE(Control<QRadioButton>(d, "RVAmode1").isChecked()) << "VA is in force at start";
    QTest::mouseClick(&Control<QRadioButton>(d, "RVAmode0"), Qt::LeftButton);
    QTest::mouseClick(&Control<QPushButton>(d, "確定"), Qt::LeftButton);
  }));
  TypeOffset("410");
  EXPECT_EQ(bed.Text("虛偏移"), "1010");
  ASSERT_TRUE(Choose([](QDialog& d) {
    EXPECT_TRUE(Control<QRadioButton>(d, "RVAmode0").isChecked());
    QTest::mouseClick(&Control<QPushButton>(d, "確定"), Qt::LeftButton);
  }));
  TypeOffset("410");
  EXPECT_EQ(bed.Text("虛偏移"), "1010") << "確定 alone keeps the mode";
  ASSERT_TRUE(Choose([](QDialog& d) {
    QTest::mouseClick(&Control<QRadioButton>(d, "RVAmode1"), Qt::LeftButton);
    QTest::mouseClick(&Control<QPushButton>(d, "確定"), Qt::LeftButton);
  }));
  TypeOffset("410");
  EXPECT_EQ(bed.Text("虛偏移"), "401010");
}

TEST_F(MainWindowDialogsTest, SelectBeforeAnyFileShowsNothingAndRestoresTheWindow) {
  QTest::mouseClick(bed.Button("頂端"), Qt::LeftButton);
  ASSERT_TRUE(bed.Topmost());
  EXPECT_FALSE(Choose([](QDialog&) {}));
  EXPECT_TRUE(bed.prompt.shown.empty());
  EXPECT_TRUE(bed.module.HotKeyEnabled);
  EXPECT_TRUE(bed.Topmost());
}

TEST_F(MainWindowDialogsTest, AboutIsShownOverTheWindowAndClosedByOk) {
  bool topmostDuring = true;
  QTest::mouseClick(bed.Button("頂端"), Qt::LeftButton);
  ASSERT_TRUE(WithModalDialog([&] { QTest::mouseClick(bed.Button("關於"), Qt::LeftButton); },
                              [&](QDialog& d) {
                                EXPECT_EQ(d.windowTitle(), QStringLiteral("關於Vesko偏移量轉換器"));
                                topmostDuring = bed.Topmost();
                                EXPECT_FALSE(bed.module.HotKeyEnabled);
                                QTest::mouseClick(&Control<QPushButton>(d, "確定"), Qt::LeftButton);
                              }));
  EXPECT_FALSE(topmostDuring);
  EXPECT_TRUE(bed.Topmost());
  EXPECT_TRUE(bed.module.HotKeyEnabled);
}

// After the dialog, the list follows the included records of the view in force, and the line
// under the converter names the view and the base, in bold unless they are the defaults.
struct WindowViewCase {
  const char* view;         // the view option clicked, or nullptr
  const char* loadAddress;  // typed over the load address, or nullptr
  bool analyseAgain;        // the file is opened again afterwards
  const char* state;
  const char* addressOf410;
};

class WindowViewTest : public MainWindowDialogsTest,
                       public ::testing::WithParamInterface<WindowViewCase> {};

TEST_P(WindowViewTest, TheWindowShowsTheViewAndBaseInForce) {
  const WindowViewCase& c = GetParam();
  PeBuilder b;
  b.AddSection(".text", 0x1000, 0x200, 0x400).AddSection(".bss", 0x2000, 0, 0);
  const QString path = QString::fromStdString((dir / "bss.exe").string());
  b.WriteTo(path.toStdString());
  bed.window->OpenFromCommandLine(path);
  ASSERT_TRUE(Choose([&](QDialog& d) {
    if (c.view != nullptr) QTest::mouseClick(&Control<QRadioButton>(d, c.view), Qt::LeftButton);
    if (c.loadAddress != nullptr) {
      Control<QLineEdit>(d, "載入位址").selectAll();
      QTest::keyClicks(&Control<QLineEdit>(d, "載入位址"), QString::fromUtf8(c.loadAddress));
    }
    QTest::mouseClick(&Control<QPushButton>(d, "確定"), Qt::LeftButton);
  }));
  if (c.analyseAgain) bed.window->OpenFromCommandLine(path);
  EXPECT_EQ(bed.Items().contains(QStringLiteral(".bss")), c.view != nullptr)
      << "only the loader maps .bss";
  EXPECT_EQ(bed.Get<QLabel>("映射狀態")->text(), QString::fromUtf8(c.state));
  EXPECT_EQ(bed.Get<QLabel>("映射狀態")->font().bold(), c.view != nullptr || c.loadAddress);
  TypeOffset("410");
  EXPECT_EQ(bed.Text("虛偏移"), QString::fromUtf8(c.addressOf410));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Choices, WindowViewTest, ::testing::Values(
    WindowViewCase{nullptr, nullptr, false, "區段表，基位址 400000", "401010"},
    WindowViewCase{"檢視1", nullptr, false, "載入器映射，基位址 400000", "401010"},
    WindowViewCase{nullptr, "10000000", false, "區段表，載入位址 10000000（檔案的基位址 400000）", "10001010"},
    WindowViewCase{"檢視1", "10000000", true, "載入器映射，基位址 400000", "401010"}));
// clang-format on

}  // namespace
}  // namespace marlit::test
