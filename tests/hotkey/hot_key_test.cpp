#include "mainwindow/hotkey/hot_key.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_keyboard.h"

namespace marlit {
namespace {

constexpr NativeWindowId kWindowId = 0x2a00007;
constexpr std::int64_t kOurs = 1000;
constexpr std::int64_t kOther = 2000;

class FakeFrontWindow final : public FrontWindow {
 public:
  bool IsMinimized() const override { return minimized; }
  void ShowNormal() override {
    minimized = false;
    calls.push_back("ShowNormal");
  }
  NativeWindowId NativeId() const override { return kWindowId; }
  void Focus() override { calls.push_back("Focus"); }

  bool minimized = false;
  std::vector<std::string> calls;
};

class HotKey : public ::testing::Test {
 protected:
  HotKey() {
    module_.MainThreadId = kOurs;
    module_.HotKeyCodes = {88, 0, 0};
    module_.HotKeyEnabled = true;
    foreground_.owner = kOther;
  }
  void Start() {
    input_.SetUp(kWindowId);
    input_.Acquire();
  }

  主模組 module_;
  fake::FakeKeyboard keyboard_;
  fake::FakeDirectX dxRoot_{keyboard_};
  fake::FakeForeground foreground_;
  FakeFrontWindow window_;
  HotKeyInput input_{dxRoot_, foreground_};
};

struct IsKeyDownCase {
  const char* name;
  std::int32_t code;
  std::vector<std::uint8_t> down;
  bool expected;
};

class IsKeyDownTable : public ::testing::TestWithParam<IsKeyDownCase> {};

TEST_P(IsKeyDownTable, TestsTheByteOrCountsTheSlotAsUnused) {
  KeyboardState state{};
  for (std::uint8_t c : GetParam().down) state[c] = 0x01;  // any non-zero byte is down
  EXPECT_EQ(IsKeyDown(state, GetParam().code), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, IsKeyDownTable,
    ::testing::Values(IsKeyDownCase{"F12Down", 88, {88}, true},
                      IsKeyDownCase{"F12Up", 88, {30}, false},
                      IsKeyDownCase{"Code1", 1, {1}, true},
                      IsKeyDownCase{"Code255", 255, {255}, true},
                      IsKeyDownCase{"Code255Up", 255, {}, false},
                      IsKeyDownCase{"ZeroIsUnused", 0, {}, true},
                      IsKeyDownCase{"NegativeIsUnused", -1, {}, true},
                      IsKeyDownCase{"MostNegativeIsUnused", INT32_MIN, {}, true},
                      IsKeyDownCase{"Above255IsUnused", 256, {}, true},
                      IsKeyDownCase{"LargestIsUnused", INT32_MAX, {}, true}),
    [](const auto& p) { return std::string(p.param.name); });

struct TickCase {
  const char* name;
  std::array<std::int32_t, 3> codes;
  std::vector<std::uint8_t> down;
  bool brings;
};

class TickTable : public HotKey, public ::testing::WithParamInterface<TickCase> {};

TEST_P(TickTable, BringsTheWindowForwardExactlyWhenTheCombinationIsHeld) {
  Start();
  module_.HotKeyCodes = GetParam().codes;
  for (std::uint8_t c : GetParam().down) keyboard_.Press(c);
  EXPECT_TRUE(input_.Tick(module_, window_));
  EXPECT_EQ(keyboard_.reads, 1);
  EXPECT_EQ(window_.calls.size(), GetParam().brings ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Combinations, TickTable,
    ::testing::Values(TickCase{"F12Alone", {88, 0, 0}, {88}, true},
                      TickCase{"OtherKey", {88, 0, 0}, {30}, false},
                      TickCase{"NoKey", {88, 0, 0}, {}, false},
                      TickCase{"F12AmongOthers", {88, 0, 0}, {1, 88, 0x9D}, true},
                      TickCase{"CtrlF12WithF12Only", {29, 88, 0}, {88}, false},
                      TickCase{"CtrlF12WithCtrlOnly", {29, 88, 0}, {29}, false},
                      TickCase{"CtrlF12Held", {29, 88, 0}, {29, 88}, true},
                      TickCase{"AllSlotsUnused", {0, 0, 0}, {}, true},
                      TickCase{"OutOfRangeSlotsUnused", {-5, 88, 256}, {88}, true},
                      TickCase{"ThreeKeys", {29, 42, 88}, {29, 88}, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(HotKey, DisabledTickDoesNotPollAndAsksForNoMessagePass) {
  Start();
  keyboard_.Press(88);
  module_.HotKeyEnabled = false;
  EXPECT_FALSE(input_.Tick(module_, window_));
  EXPECT_EQ(keyboard_.reads, 0);
  EXPECT_TRUE(window_.calls.empty());
}

TEST_F(HotKey, HeldF12BringsTheWindowForwardOnEveryTick) {
  Start();
  keyboard_.Press(88);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(input_.Tick(module_, window_));
  EXPECT_EQ(window_.calls, (std::vector<std::string>{"Focus", "Focus", "Focus"}));
}

TEST_F(HotKey, SetUpOpensTheSystemKeyboardForTheWindowAndReleaseUnacquires) {
  Start();
  EXPECT_EQ(keyboard_.window, kWindowId);
  EXPECT_TRUE(keyboard_.acquired);
  input_.Release();
  EXPECT_FALSE(keyboard_.acquired);
  EXPECT_EQ(keyboard_.unacquires, 1);
}

TEST_F(HotKey, MissingDirectInputIsTheCreateFailureOfFormLoad) {
  keyboard_.refuseCreate = true;
  EXPECT_THROW(input_.SetUp(kWindowId), DirectInputUnavailable);
}

TEST_F(HotKey, LaterFailuresAreNotTheCreateFailure) {
  keyboard_.refuseDevice = true;
  try {
    input_.SetUp(kWindowId);
    FAIL() << "the device was created";
  } catch (const DirectInputUnavailable&) {
    FAIL() << "a device failure must not read as missing DirectInput";
  } catch (const DirectInputError&) {
  }
}

TEST_F(HotKey, TickBeforeSetUpOrAcquireFailsInsteadOfReadingNothing) {
  EXPECT_THROW((void)input_.Tick(module_, window_), DirectInputError);
  input_.SetUp(kWindowId);
  EXPECT_THROW((void)input_.Tick(module_, window_), DirectInputError);
  keyboard_.failReads = true;
  input_.Acquire();
  EXPECT_THROW((void)input_.Tick(module_, window_), DirectInputError);
}

struct FrontCase {
  const char* name;
  bool minimized;
  std::int64_t owner;
  std::vector<std::string> calls;
  int ownerQueries;
  std::vector<NativeWindowId> activated;
};

class BringFormToFrontTable : public HotKey, public ::testing::WithParamInterface<FrontCase> {};

TEST_P(BringFormToFrontTable, FollowsTheSteps) {
  window_.minimized = GetParam().minimized;
  foreground_.owner = GetParam().owner;
  BringFormToFront(module_, window_, foreground_);
  EXPECT_EQ(window_.calls, GetParam().calls);
  EXPECT_EQ(foreground_.ownerQueries, GetParam().ownerQueries);
  EXPECT_EQ(foreground_.activated, GetParam().activated);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BringFormToFrontTable,
    ::testing::Values(FrontCase{"MinimizedIsOnlyRestored", true, kOther, {"ShowNormal"}, 0, {}},
                      FrontCase{"SameOwnerOnlyFocuses", false, kOurs, {"Focus"}, 1, {}},
                      FrontCase{"NoOwnerOnlyFocuses", false, 0, {"Focus"}, 1, {}},
                      FrontCase{"OtherOwnerActivatesThenFocuses", false, kOther, {"Focus"}, 1,
                                {kWindowId}},
                      FrontCase{"UnknownClientIsAnotherOwner", false, -42, {"Focus"}, 1,
                                {kWindowId}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(HotKey, MinimizedWindowIsRestoredByOneTickAndBroughtForwardByTheNext) {
  Start();
  keyboard_.Press(88);
  window_.minimized = true;
  EXPECT_TRUE(input_.Tick(module_, window_));
  EXPECT_TRUE(input_.Tick(module_, window_));
  EXPECT_EQ(window_.calls, (std::vector<std::string>{"ShowNormal", "Focus"}));
  EXPECT_EQ(foreground_.activated, std::vector<NativeWindowId>{kWindowId});
}

}  // namespace
}  // namespace marlit
