// The X11 keyboard backend and the foreground operations against a real X server and window
// manager (run under Xvfb with openbox).

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include "platform/keyboard/foreground.h"
#include "platform/keyboard/key_table.h"
#include "tests/platform/keyboard_contract.h"
#include "tests/x11/x11_test_support.h"

namespace marlit {
namespace {

using test_support::KeyboardContract;

[[nodiscard]] std::uint8_t XKeyCodeOf(std::uint8_t directInputCode) {
  for (const KeyCodePair& p : KeyCodeTable()) {
    if (p.DirectInputCode == directInputCode) return static_cast<std::uint8_t>(p.LinuxCode + 8);
  }
  throw std::invalid_argument("no key has this DirectInput code");
}

class X11Rig final : public test_support::KeyboardRig {
 public:
  X11Rig() : root_(MakeSystemDirectX()) {}
  DirectX7& Root() override { return *root_; }
  NativeWindowId Window() override { return static_cast<NativeWindowId>(window_.winId()); }
  void Press(std::uint8_t code) override { keys_.Press(XKeyCodeOf(code)); }
  void Release(std::uint8_t code) override { keys_.Release(XKeyCodeOf(code)); }

 private:
  std::unique_ptr<DirectX7> root_;
  QWindow window_;
  test_support::OtherClient keys_;
};

INSTANTIATE_TEST_SUITE_P(X11, KeyboardContract,
                         ::testing::Values(test_support::RigMaker{
                             "X11", [] { return std::make_unique<X11Rig>(); }}),
                         test_support::ByName());

struct ExtendedKey {
  const char* name;
  std::uint8_t directInputCode;
};

class X11ExtendedKeys : public ::testing::TestWithParam<ExtendedKey> {};

TEST_P(X11ExtendedKeys, SeenWithTheirExtendedCodes) {
  X11Rig rig;
  auto input = rig.Root().DirectInputCreate();
  auto device = input->CreateDevice(GUID_SysKeyboard);
  device->SetCommonDataFormat(DIFORMAT_KEYBOARD);
  device->SetCooperativeLevel(rig.Window(), kBackgroundSharedLevel);
  device->Acquire();
  rig.Press(GetParam().directInputCode);
  KeyboardState state{};
  device->GetDeviceStateKeyboard(state);
  rig.Release(GetParam().directInputCode);
  KeyboardState expected{};
  expected[GetParam().directInputCode] = 0x80;
  EXPECT_EQ(state, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, X11ExtendedKeys,
    ::testing::Values(ExtendedKey{"Escape", 1}, ExtendedKey{"LeftShift", 42},
                      ExtendedKey{"RightShift", 54}, ExtendedKey{"OEM102", 0x56},
                      ExtendedKey{"RightCtrl", 0x9D}, ExtendedKey{"RightAlt", 0xB8},
                      ExtendedKey{"Up", 0xC8}, ExtendedKey{"Left", 0xCB},
                      ExtendedKey{"Right", 0xCD}, ExtendedKey{"Down", 0xD0},
                      ExtendedKey{"Home", 0xC7}, ExtendedKey{"End", 0xCF},
                      ExtendedKey{"Insert", 0xD2}, ExtendedKey{"Delete", 0xD3},
                      ExtendedKey{"PageUp", 0xC9}, ExtendedKey{"PageDown", 0xD1},
                      ExtendedKey{"LeftWindows", 0xDB}, ExtendedKey{"RightWindows", 0xDC},
                      ExtendedKey{"Menu", 0xDD}, ExtendedKey{"KeypadEnter", 0x9C},
                      ExtendedKey{"KeypadSlash", 0xB5}, ExtendedKey{"Pause", 0xC5},
                      ExtendedKey{"PrintScreen", 0xB7}),
    test_support::ByName());

class X11Foreground : public ::testing::Test {
 protected:
  void SetUp() override {
    ours_.resize(300, 200);
    ours_.show();
    ASSERT_TRUE(test_support::WaitFor([&] { return other_.ActiveWindow() == OurId(); },
                                 std::chrono::seconds(5), Pump));
  }

  [[nodiscard]] xcb_window_t OurId() const { return static_cast<xcb_window_t>(ours_.winId()); }
  // Makes a window of another client active, as the user would by clicking it.
  void ActivateOther(std::optional<std::uint32_t> pid) {
    const xcb_window_t w = other_.MakeWindow(pid);
    other_.RequestActivation(w);
    ASSERT_TRUE(test_support::WaitFor([&] { return other_.ActiveWindow() == w; },
                                 std::chrono::seconds(5), Pump));
  }
  static void Pump() { QCoreApplication::processEvents(); }

  QWindow ours_;
  test_support::OtherClient other_;
  std::unique_ptr<Foreground> foreground_ = MakeSystemForeground();
};

TEST_F(X11Foreground, NamesOurselvesAsTheOwnerOfOurActiveWindow) {
  EXPECT_EQ(foreground_->ForegroundOwner(), OwnForegroundIdentity());
  EXPECT_EQ(OwnForegroundIdentity(), ::getpid());
}

TEST_F(X11Foreground, NamesTheProcessOfAnotherClientsActiveWindow) {
  ActivateOther(4242u);
  EXPECT_EQ(foreground_->ForegroundOwner(), 4242);
}

TEST_F(X11Foreground, AnotherClientWithoutAProcessIsStillAnotherOwner) {
  ActivateOther(std::nullopt);
  const std::int64_t owner = foreground_->ForegroundOwner();
  EXPECT_NE(owner, 0);
  EXPECT_NE(owner, OwnForegroundIdentity());
}

TEST_F(X11Foreground, ActivationTakesTheForegroundFromAnotherProgram) {
  ActivateOther(4242u);
  foreground_->Activate(static_cast<NativeWindowId>(ours_.winId()));
  EXPECT_TRUE(test_support::WaitFor([&] { return other_.ActiveWindow() == OurId(); },
                               std::chrono::seconds(5), Pump));
  EXPECT_EQ(foreground_->ForegroundOwner(), OwnForegroundIdentity());
}

}  // namespace
}  // namespace marlit

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QGuiApplication app(argc, argv);
  if (QGuiApplication::platformName() != QLatin1String("xcb")) {
    std::fprintf(stderr, "these tests need Qt on X11 (run them under scripts/with-xvfb.sh)\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
