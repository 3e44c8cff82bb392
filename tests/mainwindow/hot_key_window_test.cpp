// The hot-key as the window runs it: set-up and release around the window's life, the timer's
// poll, and the pauses of a minimized window and of an open dialog.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <functional>

#include "mainwindow/hotkey/hot_key.h"
#include "mainwindow/main_window.h"
#include "tests/mainwindow/window_fakes.h"

namespace marlit::test {
namespace {

constexpr std::uint8_t kF12 = 88;
constexpr std::uint8_t kA = 30;

// Waits (for a few timer ticks at most) until done() holds.
bool Eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 100 && !done(); ++i) QTest::qWait(20);
  return done();
}

NativeWindowId Id(const QWidget& w) { return static_cast<NativeWindowId>(w.winId()); }

TEST(HotKeyWindowTest, WithoutDirectInputOnlyTheMessageIsShown) {
  WindowBed bed;
  fake::FakeKeyboard keyboard;
  keyboard.refuseCreate = true;
  fake::FakeDirectX dxRoot(keyboard);
  fake::FakeForeground foreground;
  主窗體 window(bed.module, bed.prompt, bed.clipboard, bed.beeper, bed.windowLevel, bed.openFile,
               {dxRoot, foreground}, 主窗體::Hooks{});
  EXPECT_TRUE(window.StartFailed());
  EXPECT_FALSE(window.isVisible());
  ASSERT_FALSE(bed.prompt.shown.empty());
  EXPECT_EQ(bed.prompt.shown.back().text, kDirectInputErrorText);
  EXPECT_FALSE(bed.prompt.shown.back().question);
  EXPECT_EQ(keyboard.acquires, 0);
}

TEST(HotKeyWindowTest, KeyboardIsSetUpForTheWindowAndReleasedOnClose) {
  WindowBed bed;
  EXPECT_FALSE(bed.window->StartFailed());
  EXPECT_TRUE(bed.keyboard.acquired);
  EXPECT_EQ(bed.keyboard.window, Id(*bed.window));
  bed.window->close();
  EXPECT_FALSE(bed.keyboard.acquired);
  EXPECT_EQ(bed.keyboard.unacquires, 1);
  const int reads = bed.keyboard.reads;
  QTest::qWait(150);
  EXPECT_EQ(bed.keyboard.reads, reads) << "the timer stops with the window";
}

TEST(HotKeyWindowTest, F12FromAnotherProgramBringsTheWindowForward) {
  WindowBed bed;
  bed.foreground.owner = getpid() + 1000;
  bed.keyboard.Press(kA);
  ASSERT_TRUE(Eventually([&] { return bed.keyboard.reads >= 3; }));
  EXPECT_TRUE(bed.foreground.activated.empty()) << "any other key does nothing";

  bed.keyboard.Release(kA);
  bed.keyboard.Press(kF12);
  ASSERT_TRUE(Eventually([&] { return !bed.foreground.activated.empty(); }));
  EXPECT_EQ(bed.foreground.activated.front(), Id(*bed.window));
}

TEST(HotKeyWindowTest, F12WhileOursIsForegroundNeedsNoStrongerRequest) {
  WindowBed bed;
  bed.foreground.owner = bed.module.MainThreadId;
  bed.keyboard.Press(kF12);
  ASSERT_TRUE(Eventually([&] { return bed.foreground.ownerQueries >= 2; }));
  EXPECT_TRUE(bed.foreground.activated.empty());
}

TEST(HotKeyWindowTest, NothingIsPolledWhileADialogIsOpen) {
  WindowBed bed;
  bed.foreground.owner = getpid() + 1000;
  bed.keyboard.Press(kF12);
  int readsDuring = -1;
  bed.about = [&](QWidget&) {
    const int before = bed.keyboard.reads;
    QTest::qWait(200);
    readsDuring = bed.keyboard.reads - before;
    bed.foreground.activated.clear();
  };
  QTest::mouseClick(bed.Button("關於"), Qt::LeftButton);
  EXPECT_EQ(readsDuring, 0);
  EXPECT_TRUE(bed.module.HotKeyEnabled);
  ASSERT_TRUE(Eventually([&] { return !bed.foreground.activated.empty(); }))
      << "polling resumes after the dialog";
}

TEST(HotKeyWindowTest, MinimizedWindowIsNotPolled) {
  WindowBed bed;
  bed.keyboard.Press(kF12);
  bed.window->setWindowState(Qt::WindowMinimized);
  ASSERT_FALSE(bed.module.HotKeyEnabled);
  const int reads = bed.keyboard.reads;
  QTest::qWait(150);
  EXPECT_EQ(bed.keyboard.reads, reads);
}

}  // namespace
}  // namespace marlit::test
