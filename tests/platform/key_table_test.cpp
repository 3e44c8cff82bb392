#include "platform/keyboard/key_table.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <set>

#include "tests/platform/keyboard_contract.h"

namespace marlit {
namespace {

struct KeyCase {
  const char* name;
  unsigned linuxCode;
  std::uint8_t directInputCode;
};

// The keys the hot-key and Tessaly name, and every extended key of a 105-key keyboard.
constexpr KeyCase kKeys[] = {
    {"Escape", KEY_ESC, 1},         {"A", KEY_A, 30},
    {"S", KEY_S, 31},               {"F1", KEY_F1, 0x3B},
    {"F10", KEY_F10, 0x44},         {"F11", KEY_F11, 0x57},
    {"F12", KEY_F12, 88},           {"LeftShift", KEY_LEFTSHIFT, 42},
    {"RightShift", KEY_RIGHTSHIFT, 54}, {"LeftCtrl", KEY_LEFTCTRL, 29},
    {"LeftAlt", KEY_LEFTALT, 0x38}, {"Space", KEY_SPACE, 0x39},
    {"Backslash", KEY_BACKSLASH, 0x2B}, {"OEM102", KEY_102ND, 0x56},
    {"KeypadStar", KEY_KPASTERISK, 0x37}, {"Keypad0", KEY_KP0, 0x52},
    {"KeypadDot", KEY_KPDOT, 0x53}, {"NumLock", KEY_NUMLOCK, 0x45},
    {"ScrollLock", KEY_SCROLLLOCK, 0x46}, {"RightCtrl", KEY_RIGHTCTRL, 0x9D},
    {"RightAlt", KEY_RIGHTALT, 0xB8}, {"Up", KEY_UP, 0xC8},
    {"Left", KEY_LEFT, 0xCB},       {"Right", KEY_RIGHT, 0xCD},
    {"Down", KEY_DOWN, 0xD0},       {"Home", KEY_HOME, 0xC7},
    {"End", KEY_END, 0xCF},         {"Insert", KEY_INSERT, 0xD2},
    {"Delete", KEY_DELETE, 0xD3},   {"PageUp", KEY_PAGEUP, 0xC9},
    {"PageDown", KEY_PAGEDOWN, 0xD1}, {"LeftWindows", KEY_LEFTMETA, 0xDB},
    {"RightWindows", KEY_RIGHTMETA, 0xDC}, {"Menu", KEY_COMPOSE, 0xDD},
    {"KeypadEnter", KEY_KPENTER, 0x9C}, {"KeypadSlash", KEY_KPSLASH, 0xB5},
    {"Pause", KEY_PAUSE, 0xC5},     {"PrintScreen", KEY_SYSRQ, 0xB7},
    {"NotAKey", KEY_RESERVED, 0},   {"Mouse", BTN_LEFT, 0},
};

class KeyTable : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyTable, MapsToDirectInputsCode) {
  EXPECT_EQ(DirectInputCodeOfLinuxKey(GetParam().linuxCode), GetParam().directInputCode);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTable, ::testing::ValuesIn(kKeys),
                         test_support::ByName());

TEST(KeyTableShape, CoversA105KeyKeyboardWithDistinctCodesReachableFromX) {
  std::set<std::uint8_t> codes;
  for (const KeyCodePair& p : KeyCodeTable()) {
    EXPECT_NE(p.DirectInputCode, 0) << p.LinuxCode;
    EXPECT_TRUE(codes.insert(p.DirectInputCode).second) << "two keys give " << +p.DirectInputCode;
    EXPECT_LE(p.LinuxCode + 8u, 255u) << "X key codes stop at 255";
  }
  EXPECT_GE(codes.size(), 105u);
}

TEST(KeyTableShape, CodesOutsideTheTableHaveNone) {
  EXPECT_EQ(DirectInputCodeOfLinuxKey(100000), 0);
  EXPECT_EQ(DirectInputCodeOfLinuxKey(256), 0);
}

struct BitsCase {
  const char* name;
  int linuxCodeOfBit0;
  std::vector<unsigned> bitsDown;
  std::vector<std::uint8_t> expectDown;
};

class FillState : public ::testing::TestWithParam<BitsCase> {};

TEST_P(FillState, RewritesAllBytesFromTheBits) {
  std::array<std::uint8_t, 32> bits{};
  for (unsigned b : GetParam().bitsDown) bits[b / 8] |= static_cast<std::uint8_t>(1u << (b % 8));
  KeyboardState state;
  state.fill(0xFF);
  FillKeyboardState(bits, GetParam().linuxCodeOfBit0, state);
  KeyboardState expected{};
  for (std::uint8_t c : GetParam().expectDown) expected[c] = 0x80;
  EXPECT_EQ(state, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, FillState,
    ::testing::Values(BitsCase{"NothingDown", -8, {}, {}},
                      BitsCase{"XF12", -8, {KEY_F12 + 8}, {88}},
                      BitsCase{"XAAndS", -8, {KEY_A + 8, KEY_S + 8}, {30, 31}},
                      BitsCase{"XRightCtrlAndPause", -8, {KEY_RIGHTCTRL + 8, KEY_PAUSE + 8},
                               {0x9D, 0xC5}},
                      BitsCase{"XUnmappedKeyCodes", -8, {0, 7, 255}, {}},
                      BitsCase{"EvdevEscapeAndF15", 0, {KEY_ESC, KEY_F15}, {1, 0x66}}),
    test_support::ByName());

}  // namespace
}  // namespace marlit
