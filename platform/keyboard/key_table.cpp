#include "platform/keyboard/key_table.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <array>

namespace marlit {
namespace {

constexpr KeyCodePair kTable[] = {
    {KEY_ESC, 0x01},
    {KEY_1, 0x02},
    {KEY_2, 0x03},
    {KEY_3, 0x04},
    {KEY_4, 0x05},
    {KEY_5, 0x06},
    {KEY_6, 0x07},
    {KEY_7, 0x08},
    {KEY_8, 0x09},
    {KEY_9, 0x0A},
    {KEY_0, 0x0B},
    {KEY_MINUS, 0x0C},
    {KEY_EQUAL, 0x0D},
    {KEY_BACKSPACE, 0x0E},
    {KEY_TAB, 0x0F},
    {KEY_Q, 0x10},
    {KEY_W, 0x11},
    {KEY_E, 0x12},
    {KEY_R, 0x13},
    {KEY_T, 0x14},
    {KEY_Y, 0x15},
    {KEY_U, 0x16},
    {KEY_I, 0x17},
    {KEY_O, 0x18},
    {KEY_P, 0x19},
    {KEY_LEFTBRACE, 0x1A},
    {KEY_RIGHTBRACE, 0x1B},
    {KEY_ENTER, 0x1C},
    {KEY_LEFTCTRL, 0x1D},
    {KEY_A, 0x1E},
    {KEY_S, 0x1F},
    {KEY_D, 0x20},
    {KEY_F, 0x21},
    {KEY_G, 0x22},
    {KEY_H, 0x23},
    {KEY_J, 0x24},
    {KEY_K, 0x25},
    {KEY_L, 0x26},
    {KEY_SEMICOLON, 0x27},
    {KEY_APOSTROPHE, 0x28},
    {KEY_GRAVE, 0x29},
    {KEY_LEFTSHIFT, 0x2A},
    {KEY_BACKSLASH, 0x2B},
    {KEY_Z, 0x2C},
    {KEY_X, 0x2D},
    {KEY_C, 0x2E},
    {KEY_V, 0x2F},
    {KEY_B, 0x30},
    {KEY_N, 0x31},
    {KEY_M, 0x32},
    {KEY_COMMA, 0x33},
    {KEY_DOT, 0x34},
    {KEY_SLASH, 0x35},
    {KEY_RIGHTSHIFT, 0x36},
    {KEY_KPASTERISK, 0x37},
    {KEY_LEFTALT, 0x38},
    {KEY_SPACE, 0x39},
    {KEY_CAPSLOCK, 0x3A},
    {KEY_F1, 0x3B},
    {KEY_F2, 0x3C},
    {KEY_F3, 0x3D},
    {KEY_F4, 0x3E},
    {KEY_F5, 0x3F},
    {KEY_F6, 0x40},
    {KEY_F7, 0x41},
    {KEY_F8, 0x42},
    {KEY_F9, 0x43},
    {KEY_F10, 0x44},
    {KEY_NUMLOCK, 0x45},
    {KEY_SCROLLLOCK, 0x46},
    {KEY_KP7, 0x47},
    {KEY_KP8, 0x48},
    {KEY_KP9, 0x49},
    {KEY_KPMINUS, 0x4A},
    {KEY_KP4, 0x4B},
    {KEY_KP5, 0x4C},
    {KEY_KP6, 0x4D},
    {KEY_KPPLUS, 0x4E},
    {KEY_KP1, 0x4F},
    {KEY_KP2, 0x50},
    {KEY_KP3, 0x51},
    {KEY_KP0, 0x52},
    {KEY_KPDOT, 0x53},
    {KEY_102ND, 0x56},  // DIK_OEM_102, the extra key of the 105-key layout
    {KEY_F11, 0x57},
    {KEY_F12, 0x58},
    {KEY_RO, 0x73},  // DIK_ABNT_C1
    {KEY_HENKAN, 0x79},
    {KEY_KATAKANAHIRAGANA, 0x70},  // DIK_KANA
    {KEY_MUHENKAN, 0x7B},
    {KEY_KPENTER, 0x9C},
    {KEY_RIGHTCTRL, 0x9D},
    {KEY_KPSLASH, 0xB5},
    {KEY_SYSRQ, 0xB7},  // Print Screen
    {KEY_RIGHTALT, 0xB8},
    {KEY_HOME, 0xC7},
    {KEY_UP, 0xC8},
    {KEY_PAGEUP, 0xC9},
    {KEY_LEFT, 0xCB},
    {KEY_RIGHT, 0xCD},
    {KEY_END, 0xCF},
    {KEY_DOWN, 0xD0},
    {KEY_PAGEDOWN, 0xD1},
    {KEY_INSERT, 0xD2},
    {KEY_DELETE, 0xD3},
    {KEY_MUTE, 0xA0},
    {KEY_VOLUMEDOWN, 0xAE},
    {KEY_VOLUMEUP, 0xB0},
    {KEY_POWER, 0xDE},
    {KEY_KPEQUAL, 0x8D},
    {KEY_PAUSE, 0xC5},
    {KEY_KPCOMMA, 0xB3},
    {KEY_YEN, 0x7D},
    {KEY_LEFTMETA, 0xDB},
    {KEY_RIGHTMETA, 0xDC},
    {KEY_COMPOSE, 0xDD},  // the menu key, DIK_APPS
    {KEY_CALC, 0xA1},
    {KEY_SLEEP, 0xDF},
    {KEY_WAKEUP, 0xE3},
    {KEY_NEXTSONG, 0x99},
    {KEY_PLAYPAUSE, 0xA2},
    {KEY_PREVIOUSSONG, 0x90},
    {KEY_STOPCD, 0xA4},
    {KEY_HOMEPAGE, 0xB2},
    {KEY_F13, 0x64},
    {KEY_F14, 0x65},
    {KEY_F15, 0x66},
};

// Linux code -> DirectInput code, for the X key codes 8..255 and the evdev codes below them.
constexpr std::array<std::uint8_t, 256> BuildByLinuxCode() {
  std::array<std::uint8_t, 256> byLinux{};
  for (const KeyCodePair& p : kTable) byLinux[p.LinuxCode] = p.DirectInputCode;
  return byLinux;
}
constexpr std::array<std::uint8_t, 256> kByLinuxCode = BuildByLinuxCode();

}  // namespace

std::span<const KeyCodePair> KeyCodeTable() { return kTable; }

std::uint8_t DirectInputCodeOfLinuxKey(unsigned linuxCode) {
  return linuxCode < kByLinuxCode.size() ? kByLinuxCode[linuxCode] : 0;
}

void FillKeyboardState(std::span<const std::uint8_t> downBits, int linuxCodeOfBit0,
                       KeyboardState& state) {
  state.fill(0);
  for (const KeyCodePair& p : kTable) {
    const long bit = static_cast<long>(p.LinuxCode) - linuxCodeOfBit0;
    if (bit < 0 || static_cast<unsigned long>(bit) >= downBits.size() * 8) continue;
    const auto byte = downBits[static_cast<std::size_t>(bit) / 8];
    if ((byte >> (bit % 8)) & 1) state[p.DirectInputCode] = 0x80;
  }
}

}  // namespace marlit
