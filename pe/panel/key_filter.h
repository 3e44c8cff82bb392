#pragma once
// UseString: the key filter that keeps the number fields numeric.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "pe/panel/number_text.h"
#include "platform/beep.h"
#include "platform/clipboard.h"

namespace marlit::UseString {

inline constexpr std::int32_t kPasteKey = 22;  // Ctrl+V
// Codes up to this one are control keys (Ctrl+A .. Ctrl+Z, Backspace, Tab, Enter), which a field
// takes as they are.
inline constexpr std::int32_t kLastControlCode = 26;

// Whether a field of the mode takes the character: the rule of FilterKeyChar, without its beep.
[[nodiscard]] constexpr bool IsAllowedChar(std::int32_t code, Radix mode) {
  if (code >= '0' && code <= '9') return true;
  if (mode != Radix::Hex) return false;
  return (code >= 'A' && code <= 'F') || (code >= 'a' && code <= 'f');
}

// The rule of IsAllowedChar for every byte, with each digit's value, so that a value is checked
// and read in one pass over one table: bits 0-3 hold the digit's value, and kHexRefused or
// kDecimalRefused marks a byte that the filter of that mode refuses.
inline constexpr std::uint8_t kHexRefused = 0x10;
inline constexpr std::uint8_t kDecimalRefused = 0x20;
inline constexpr std::array<std::uint8_t, 256> kByteRule = [] {
  std::array<std::uint8_t, 256> table{};
  for (std::int32_t c = 0; c < 256; ++c) {
    std::uint8_t entry = 0;
    if (!IsAllowedChar(c, Radix::Decimal)) entry |= kDecimalRefused;
    if (!IsAllowedChar(c, Radix::Hex)) {
      entry |= kHexRefused;
    } else {
      entry |= static_cast<std::uint8_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    table[static_cast<std::size_t>(c)] = entry;
  }
  return table;
}();

// Sets code to 0, with a beep, when the character is not a digit of the mode.
void FilterKeyChar(std::int32_t& code, Radix mode, Beeper& beeper);

// Filters one key before the field takes it; 0 cancels it. Ctrl+V (22) filters the clipboard's
// text in place, so that the field pastes only the digits before the first refused character.
// A failing clipboard cancels the key (code 0) and raises its PlatformError.
void FilterNumericKey(std::int32_t& code, Radix mode, Clipboard& clipboard, Beeper& beeper);

// The part of a pasted or dropped text that the field takes: without surrounding white space and,
// in hexadecimal mode, without a 0x or 0X prefix or an h or H suffix, the characters before the
// first one that FilterKeyChar refuses. A text of which nothing is taken beeps once.
[[nodiscard]] std::u16string KeptPasteText(std::u16string_view text, Radix mode,
                                           Beeper& beeper);

}  // namespace marlit::UseString
