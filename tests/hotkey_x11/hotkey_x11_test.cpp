// F12 as the user meets it: the real marlit program under a window manager, another client's
// window active, keys pressed through XTest, and the window manager's _NET_ACTIVE_WINDOW telling
// which window came forward.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/keyboard/backends.h"
#include "tests/common/pe_builder.h"
#include "tests/x11/child_program.h"
#include "tests/x11/x11_test_support.h"

namespace marlit {
namespace {

using namespace std::chrono_literals;
using test_support::ChildProgram;
using test_support::OtherClient;
using test_support::WaitFor;

// X key codes are Linux input codes + 8.
constexpr std::uint8_t kF12 = 96;
constexpr std::uint8_t kF11 = 95;
constexpr std::uint8_t kA = 38;
constexpr std::uint8_t kEscape = 9;

constexpr const char* kMainCaption = "Vesko偏移量轉換器 0.94B 版";
constexpr const char* kBoxCaption = "Vesko偏移量轉換器";
constexpr const char* kAboutCaption = "關於Vesko偏移量轉換器";

// A sanitized debug build on a shared machine starts slowly.
constexpr auto kStartTimeout = 30s;
// Long enough for a few ticks of 54 ms even when the machine is busy.
constexpr auto kReactTimeout = 5s;
// How long the focus must stay put to count as settled.
constexpr auto kSettle = 300ms;
// How long a key that must do nothing is held: about 18 ticks.
constexpr auto kHeldInVain = 1s;

// 關於 in the client area, in twips: inside the frame bk at 50, 0; the window is 5760 wide.
constexpr int kClientWidthTwips = 5760;
constexpr int kAboutCentreX = 50 + 4800 + 735 / 2;
constexpr int kAboutCentreY = 590 + 300 / 2;

class HotKeyUnderWindowManager : public ::testing::Test {
 protected:
  void TearDown() override {
    if (HasFailure() && marlit_) {
      std::cerr << "--- marlit's output ---\n" << marlit_->Output() << "--- end ---\n";
    }
  }

  // marlit started on a PE file of that name; main_ is its window, once the window manager
  // lists it.
  void Start(const std::string& fileName) {
    const auto file = dir_ / fileName;
    test::PeBuilder()
        .AddSection(".text", 0x1000, 0x200, 0x400)
        .AddSection(".data", 0x2000, 0x200, 0x600)
        .WriteTo(file);
    // Qt is kept off the session bus, which Xvfb sessions lack.
    marlit_ = std::make_unique<ChildProgram>(
        std::vector<std::string>{MARLIT_PATH, file.string()},
        std::vector<std::string>{"DBUS_SESSION_BUS_ADDRESS=disabled:"}, dir_ / "marlit.log");
    ASSERT_TRUE(marlit_->Started()) << MARLIT_PATH;
    main_ = FindOwnWindow(kMainCaption);
    ASSERT_NE(main_, XCB_WINDOW_NONE) << "marlit showed no window";
    // The window manager gives a new window the focus, maybe after the test's own window has
    // asked for it: let that happen first.
    (void)WaitFor([&] { return IsOwn(client_.ActiveWindow()); }, kReactTimeout);
  }

  // A top-level window of marlit's with that caption, waited for.
  [[nodiscard]] xcb_window_t FindOwnWindow(const std::string& caption) {
    xcb_window_t found = XCB_WINDOW_NONE;
    (void)WaitFor(
        [&] {
          for (xcb_window_t w : client_.ClientList()) {
            if (IsOwn(w) && client_.Caption(w) == caption) found = w;
          }
          return found != XCB_WINDOW_NONE || !marlit_->Running();
        },
        kStartTimeout);
    return found;
  }

  [[nodiscard]] bool IsOwn(xcb_window_t window) {
    return window != XCB_WINDOW_NONE &&
           client_.WindowPid(window) == static_cast<std::uint32_t>(marlit_->Pid());
  }

  [[nodiscard]] bool Listed(xcb_window_t window) {
    const auto list = client_.ClientList();
    return std::find(list.begin(), list.end(), window) != list.end();
  }

  // The test's own window, made the active one through the window manager. A window that marlit
  // has just shown asks for the focus once it is mapped, which may come after the test's request:
  // the request is repeated until the test's window keeps the focus for a moment. Then it is
  // marked as the window the user works in, so that only a request the window manager honours
  // from another program can take the focus away.
  void MakeOtherActive() {
    if (other_ == XCB_WINDOW_NONE)
      other_ = client_.MakeWindow(static_cast<std::uint32_t>(::getpid()));
    for (int attempt = 0; attempt < 3; ++attempt) {
      client_.RequestActivation(other_);
      if (!WaitFor([&] { return client_.ActiveWindow() == other_; }, kReactTimeout)) continue;
      if (!WaitFor([&] { return client_.ActiveWindow() != other_; }, kSettle)) {
        wm_.MarkUserActivity(other_);
        return;
      }
    }
    FAIL() << "the test's window " << other_
           << " did not keep the focus; active: " << client_.ActiveWindow();
  }

  // Holds key until window is the active one; false if it never became so.
  [[nodiscard]] bool PressUntilActive(std::uint8_t key, xcb_window_t window) {
    client_.Press(key);
    const bool active = WaitFor([&] { return client_.ActiveWindow() == window; }, kReactTimeout);
    client_.Release(key);
    return active;
  }

  // Holds key for a while; false as soon as the active window is another than window.
  [[nodiscard]] bool HoldWhileActiveStays(std::uint8_t key, xcb_window_t window) {
    client_.Press(key);
    const bool moved = WaitFor([&] { return client_.ActiveWindow() != window; }, kHeldInVain);
    client_.Release(key);
    return !moved;
  }

  // Clicks 關於, wherever the window manager has put the window and at whatever scale.
  void ClickAbout() {
    const int width = wm_.Width(main_);
    ASSERT_GT(width, 0);
    const double scale = static_cast<double>(width) / kClientWidthTwips;
    wm_.ClickAt(main_, static_cast<int>(kAboutCentreX * scale),
                static_cast<int>(kAboutCentreY * scale));
  }

  // Closing the window ends the program, with success and without a report from the sanitizers.
  void CloseAndExpectCleanEnd() {
    ASSERT_TRUE(marlit_->Running()) << "marlit ended on its own";
    client_.Close(main_);
    const auto status = marlit_->WaitForEnd(kStartTimeout);
    ASSERT_TRUE(status.has_value()) << "marlit did not end after its window was closed";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
  }

  test::TempDir dir_;
  OtherClient client_;
  OtherClient wm_;
  std::unique_ptr<ChildProgram> marlit_;
  xcb_window_t main_ = XCB_WINDOW_NONE;
  xcb_window_t other_ = XCB_WINDOW_NONE;
};

TEST_F(HotKeyUnderWindowManager, F12FromAnotherClientMakesTheWindowActive) {
  ASSERT_NO_FATAL_FAILURE(Start("sample.exe"));
  ASSERT_NO_FATAL_FAILURE(MakeOtherActive());
  EXPECT_TRUE(PressUntilActive(kF12, main_)) << "active: " << client_.ActiveWindow();
  EXPECT_EQ(client_.WindowPid(client_.ActiveWindow()), static_cast<std::uint32_t>(marlit_->Pid()));

  // Again, and with marlit already in front, where only its own focus operation runs.
  ASSERT_NO_FATAL_FAILURE(MakeOtherActive());
  EXPECT_TRUE(PressUntilActive(kF12, main_));
  EXPECT_TRUE(HoldWhileActiveStays(kF12, main_)) << "held in front, it stays active";
  CloseAndExpectCleanEnd();
}

TEST_F(HotKeyUnderWindowManager, OtherKeysDoNothing) {
  ASSERT_NO_FATAL_FAILURE(Start("sample.exe"));
  ASSERT_NO_FATAL_FAILURE(MakeOtherActive());
  for (const std::uint8_t key : {kA, kF11}) {
    SCOPED_TRACE(testing::Message() << "X key code " << int{key});
    EXPECT_TRUE(HoldWhileActiveStays(key, other_)) << "active: " << client_.ActiveWindow();
  }
  // The poll was running all along.
  EXPECT_TRUE(PressUntilActive(kF12, main_));
  CloseAndExpectCleanEnd();
}

TEST_F(HotKeyUnderWindowManager, MinimizedNothingHappensAndRestoringStartsItAgain) {
  ASSERT_NO_FATAL_FAILURE(Start("sample.exe"));
  wm_.Iconify(main_);
  ASSERT_TRUE(WaitFor([&] { return wm_.IsIconic(main_); }, kReactTimeout)) << "not iconified";
  ASSERT_NO_FATAL_FAILURE(MakeOtherActive());
  EXPECT_TRUE(HoldWhileActiveStays(kF12, other_)) << "active: " << client_.ActiveWindow();
  EXPECT_TRUE(wm_.IsIconic(main_)) << "F12 restored the minimized window";

  client_.RequestActivation(main_);
  ASSERT_TRUE(WaitFor([&] { return !wm_.IsIconic(main_) && client_.ActiveWindow() == main_; },
                      kReactTimeout))
      << "the window manager did not restore the window";
  ASSERT_NO_FATAL_FAILURE(MakeOtherActive());
  EXPECT_TRUE(PressUntilActive(kF12, main_)) << "restored, the hot-key works again";
  CloseAndExpectCleanEnd();
}

TEST_F(HotKeyUnderWindowManager, WhileTheAboutDialogIsOpenNothingHappens) {
  ASSERT_NO_FATAL_FAILURE(Start("sample.exe"));
  ASSERT_NO_FATAL_FAILURE(MakeOtherActive());
  ASSERT_TRUE(PressUntilActive(kF12, main_));
  ASSERT_NO_FATAL_FAILURE(ClickAbout());
  const xcb_window_t about = FindOwnWindow(kAboutCaption);
  ASSERT_NE(about, XCB_WINDOW_NONE) << "the click on 關於 opened no dialog";

  ASSERT_NO_FATAL_FAILURE(MakeOtherActive());
  EXPECT_TRUE(HoldWhileActiveStays(kF12, other_)) << "active: " << client_.ActiveWindow();

  client_.Close(about);
  ASSERT_TRUE(WaitFor([&] { return !Listed(about); }, kReactTimeout)) << "the dialog stayed open";
  ASSERT_NO_FATAL_FAILURE(MakeOtherActive());
  EXPECT_TRUE(PressUntilActive(kF12, main_)) << "after the dialog, the hot-key works again";
  CloseAndExpectCleanEnd();
}

// The question about the extension is a message box outside any dialog bracket: the hot-key
// brings marlit forward, and the box stays above its window and takes the keys.
TEST_F(HotKeyUnderWindowManager, AMessageBoxStaysAboveTheWindowAndUsable) {
  ASSERT_NO_FATAL_FAILURE(Start("sample.scr"));
  const xcb_window_t box = FindOwnWindow(kBoxCaption);
  ASSERT_NE(box, XCB_WINDOW_NONE) << "no question about the extension";
  ASSERT_TRUE(WaitFor([&] { return client_.ActiveWindow() == box; }, kReactTimeout))
      << "the box did not take the focus when it opened";

  ASSERT_NO_FATAL_FAILURE(MakeOtherActive());
  EXPECT_TRUE(PressUntilActive(kF12, box)) << "active: " << client_.ActiveWindow();
  const auto stacking = wm_.Stacking();
  const auto boxAt = std::find(stacking.begin(), stacking.end(), box);
  const auto mainAt = std::find(stacking.begin(), stacking.end(), main_);
  ASSERT_NE(boxAt, stacking.end());
  ASSERT_NE(mainAt, stacking.end());
  EXPECT_GT(boxAt, mainAt) << "the box is stacked below the window";

  // Escape answers 取消: the box closes and the window is left as it was.
  client_.Press(kEscape);
  client_.Release(kEscape);
  EXPECT_TRUE(WaitFor([&] { return !Listed(box); }, kReactTimeout)) << "the box took no keys";
  CloseAndExpectCleanEnd();
}

// The hot-key reads the key map over a connection of the keyboard's own: opened at once, or at
// the first read with another connection to fall back on (Qt's, in the program).
struct OwnConnectionCase {
  const char* name;
  std::function<std::unique_ptr<DirectInput>(xcb_connection_t* fallback)> make;
};

class OwnKeyboardConnection : public ::testing::TestWithParam<OwnConnectionCase> {};

TEST_P(OwnKeyboardConnection, ReadsTheKeysOfTheDisplay) {
  const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> fallback(
      xcb_connect(nullptr, nullptr), xcb_disconnect);
  auto device = GetParam().make(fallback.get())->CreateDevice(GUID_SysKeyboard);
  device->SetCommonDataFormat(DIFORMAT_KEYBOARD);
  device->SetCooperativeLevel(0, kBackgroundSharedLevel);
  device->Acquire();
  OtherClient keys;
  KeyboardState state{};
  keys.Press(kF12);
  device->GetDeviceStateKeyboard(state);
  EXPECT_EQ(state[88], 0x80);
  keys.Release(kF12);
  device->GetDeviceStateKeyboard(state);
  EXPECT_EQ(state[88], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Connections, OwnKeyboardConnection,
    ::testing::Values(
        OwnConnectionCase{"OpenedAtOnce",
                          [](xcb_connection_t*) { return MakeOwnX11DirectInput(nullptr); }},
        OwnConnectionCase{"OpenedAtTheFirstRead",
                          [](xcb_connection_t* fallback) {
                            return MakeDeferredX11DirectInput(nullptr, fallback);
                          }},
        // The display cannot be opened when the keys are first read: the fallback serves.
        OwnConnectionCase{"FallenBackOn",
                          [](xcb_connection_t* fallback) {
                            return MakeDeferredX11DirectInput(":9999", fallback);
                          }}),
    [](const ::testing::TestParamInfo<OwnConnectionCase>& p) { return std::string(p.param.name); });

TEST(OwnKeyboardConnectionRefused, WhenTheDisplayOrTheFallbackIsNotThere) {
  EXPECT_THROW((void)MakeOwnX11DirectInput(":9999"), DirectInputUnavailable);
  EXPECT_THROW((void)MakeDeferredX11DirectInput(nullptr, nullptr), DirectInputUnavailable);
  const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> broken(
      xcb_connect(":9999", nullptr), xcb_disconnect);
  EXPECT_THROW((void)MakeDeferredX11DirectInput(nullptr, broken.get()), DirectInputUnavailable);
}

}  // namespace
}  // namespace marlit
