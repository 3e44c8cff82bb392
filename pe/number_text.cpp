#include "pe/number_text.h"

#include <cstdint>
#include <limits>

#include "platform/errors.h"

namespace marlit {

namespace {

constexpr std::u16string_view kHexDigits = u"0123456789ABCDEF";
constexpr std::size_t kHexFieldDigits = 8;

// Upper-case hexadecimal digits of the pattern, no leading zeros; "0" for 0.
std::u16string HexDigitsOf(std::uint32_t pattern) {
  char16_t buffer[kHexFieldDigits];
  std::size_t start = kHexFieldDigits;
  do {
    buffer[--start] = kHexDigits[pattern & 0xF];
    pattern >>= 4;
  } while (pattern != 0);
  return std::u16string(buffer + start, buffer + kHexFieldDigits);
}

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

HexByteTable BuildHexByteText() {
  HexByteTable table;
  for (std::uint32_t i = 0; i < table.size(); ++i) table[i] = HexDigitsOf(i);
  for (std::size_t i = 0; i < 16; ++i) table[i].insert(0, 1, u'0');
  return table;
}

std::u16string LongToByteHex(const HexByteTable& table, std::int32_t value) {
  if (value == 0) return {};
  const auto pattern = static_cast<std::uint32_t>(value);
  std::u16string text;
  text.reserve(8);
  for (int shift = 0; shift < 32; shift += 8) text += table[(pattern >> shift) & 0xFF];
  return text;
}

std::int32_t ParseHexField(std::u16string_view text) {
  // The field holds at most 8 digits; reading stops after the eighth.
  std::uint32_t pattern = 0;
  for (std::size_t i = 0; i < text.size() && i < kHexFieldDigits; ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0) break;
    pattern = (pattern << 4) | static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(pattern);
}

std::int32_t ParseDecimalField(std::u16string_view text) {
  std::int64_t number = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    number = number * 10 + (c - u'0');
    // Checked at every digit, so that no digit string can overflow the 64-bit sum.
    if (number > std::numeric_limits<std::int32_t>::max()) {
      throw OverflowError("decimal field above 2147483647");
    }
  }
  return static_cast<std::int32_t>(number);
}

std::u16string HexFieldText(std::int32_t value) {
  return HexDigitsOf(static_cast<std::uint32_t>(value));
}

std::u16string DecimalFieldText(std::int32_t value) {
  const bool negative = value < 0;
  // Widened, so that -2147483648 has a magnitude.
  std::uint64_t magnitude = negative ? static_cast<std::uint64_t>(-std::int64_t{value})
                                     : static_cast<std::uint64_t>(value);
  char16_t buffer[11];
  std::size_t start = sizeof buffer / sizeof buffer[0];
  do {
    buffer[--start] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) buffer[--start] = u'-';
  return std::u16string(buffer + start, buffer + sizeof buffer / sizeof buffer[0]);
}

}  // namespace marlit
