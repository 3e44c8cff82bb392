// Under Xvfb with openbox: the topmost band as the window manager keeps it, and the clipboard
// and primary selection as other X clients see them.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <memory>

#include "mainwindow/main_window.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/x11_window_level.h"
#include "tests/common/pe_builder.h"
#include "tests/fakes/fakes.h"
#include "tests/mainwindow/window_fakes.h"
#include "tests/x11/x11_test_support.h"

namespace marlit::test {
namespace {

// Whether the window manager lists _NET_WM_STATE_ABOVE in the window's state.
bool Above(std::uintptr_t window) {
  return test_support::OtherClient().HasState(static_cast<xcb_window_t>(window),
                                              "_NET_WM_STATE_ABOVE");
}

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qApp->nativeInterface<QNativeInterface::QX11Application>() == nullptr) {
      GTEST_SKIP() << "needs the xcb platform";
    }
    level = MakeWindowLevel();
    window = std::make_unique<主窗體>(module, prompt, clipboard, beeper, *level, bed.openFile,
                                     主窗體::HotKeyPlatform{bed.dxRoot, bed.foreground});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::qWait(300);  // the window manager frames and places the window
  }
  template <typename T>
  T* Get(const char* name) {
    return window->findChild<T*>(QString::fromUtf8(name));
  }

  WindowBed bed;  // for its file dialog service only
  主模組 module;
  fake::FakePrompt prompt;
  QtClipboard clipboard;
  fake::FakeBeeper beeper;
  std::unique_ptr<WindowLevel> level;
  std::unique_ptr<主窗體> window;
};

TEST_F(X11Test, TopmostIsSetAndClearedInPlace) {
  const auto id = static_cast<std::uintptr_t>(window->winId());
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  ASSERT_FALSE(Above(id));
  QTest::mouseClick(Get<QPushButton>("頂端"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(Above(id), 3000);
  QTest::qWait(200);
  EXPECT_EQ(window->frameGeometry(), frame);
  EXPECT_EQ(window->geometry(), client);
  EXPECT_EQ(static_cast<std::uintptr_t>(window->winId()), id) << "the native window stays";
  EXPECT_TRUE(window->isVisible());
  QTest::mouseClick(Get<QPushButton>("頂端"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!Above(id), 3000);
  QTest::qWait(200);
  EXPECT_EQ(window->frameGeometry(), frame);
  EXPECT_EQ(static_cast<std::uintptr_t>(window->winId()), id);
}

// Another X client's reading, while this program keeps serving its selections.
QString ReadWithXclip(const char* selection) {
  QProcess xclip;
  xclip.start("xclip", {"-o", "-selection", selection});
  if (!xclip.waitForStarted(3000)) return "<xclip did not start>";
  for (int i = 0; i < 100 && xclip.state() != QProcess::NotRunning; ++i) QTest::qWait(50);
  return QString::fromUtf8(xclip.readAllStandardOutput());
}

TEST_F(X11Test, OtherClientsReadTheCodeFromTheClipboard) {
  QTest::mouseClick(Get<QPushButton>("至剪貼簿"), Qt::LeftButton);
  TempDir dir;
  PeBuilder()
      .ImageBase(0x12340000)
      .AddSection(".text", 0x5000, 0x1000, 0x400)
      .WriteTo(dir / "a.exe");
  window->OpenFromCommandLine(QString::fromStdString((dir / "a.exe").string()));
  auto* field = Get<QLineEdit>("虛偏移");
  field->setFocus();
  QTest::keyClicks(field, "12345678");
  ASSERT_EQ(Get<QLineEdit>("實偏移")->text(), "A78");
  ASSERT_EQ(Get<QLineEdit>("代碼")->text(), "78563412");
  EXPECT_EQ(ReadWithXclip("clipboard"), "78563412");
  EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(X11Test, MiddleClickPastesTheFilteredPrimarySelection) {
  QGuiApplication::clipboard()->setText("12x34", QClipboard::Selection);
  auto* field = Get<QLineEdit>("實偏移");
  QTest::mouseClick(field, Qt::MiddleButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_EQ(field->text(), "12");
  EXPECT_EQ(beeper.beeps, 1);
}

}  // namespace
}  // namespace marlit::test
