#pragma once
// From this platform's key codes to DirectInput's. X key codes are Linux input codes + 8.

#include <cstdint>
#include <span>

#include "platform/keyboard/direct_input.h"

namespace marlit {

struct KeyCodePair {
  std::uint16_t LinuxCode;
  std::uint8_t DirectInputCode;
};

// Every key of a full 105-key keyboard, plus the Japanese, Brazilian and media keys that
// DirectInput numbers; extended keys carry DirectInput's extended codes (0x80 and up).
[[nodiscard]] std::span<const KeyCodePair> KeyCodeTable();

// The DirectInput code of a Linux input key code; 0 when DirectInput has none.
[[nodiscard]] std::uint8_t DirectInputCodeOfLinuxKey(unsigned linuxCode);

// Rewrites state from a bit vector of keys that are down (bit k of byte k / 8 = key k), as the X
// key map and EVIOCGKEY give it; bit 0 stands for Linux code linuxCodeOfBit0 (-8 for X key codes).
void FillKeyboardState(std::span<const std::uint8_t> downBits, int linuxCodeOfBit0,
                       KeyboardState& state);

}  // namespace marlit
