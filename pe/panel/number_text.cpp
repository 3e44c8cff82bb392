#include "pe/panel/number_text.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "pe/panel/key_filter.h"
#include "platform/errors.h"

namespace marlit {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
// The two digits of byte i at [2 i] and [2 i + 1].
constexpr std::array<char, 512> kHexPairs = [] {
  std::array<char, 512> pairs{};
  for (std::size_t i = 0; i < 256; ++i) {
    pairs[2 * i] = kHexDigits[i >> 4];
    pairs[2 * i + 1] = kHexDigits[i & 0xF];
  }
  return pairs;
}();
// The two digits of i at [2 i] and [2 i + 1], for i from 0 to 99.
constexpr std::array<char, 200> kDecimalPairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();
// 10 to the power of i, for i from 0 to 19.
constexpr std::array<std::uint64_t, 20> kPowersOfTen = [] {
  std::array<std::uint64_t, 20> powers{};
  powers[0] = 1;
  for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();
constexpr std::size_t kHexFieldDigits = 8;
constexpr std::size_t kWideHexFieldDigits = 16;

// Through the key filter's table, which has no branch to mispredict on random digits.
template <typename Char>
int HexDigitValue(Char c) {
  const auto code = static_cast<std::make_unsigned_t<Char>>(c);
  if (code >= UseString::kByteRule.size()) return -1;
  const std::uint8_t entry = UseString::kByteRule[code];
  return (entry & UseString::kHexRefused) != 0 ? -1 : entry & 0xF;
}

template <typename Char>
bool IsDecimalDigit(Char c) {
  return c >= '0' && c <= '9';
}

// Decimal digits from the start of text up to the first other character, checked against largest
// at every digit so that no digit string can overflow the sum.
template <typename Char>
std::uint64_t ReadDigits(std::basic_string_view<Char> text, std::uint64_t largest) {
  std::uint64_t number = 0;
  for (const Char c : text) {
    if (!IsDecimalDigit(c)) break;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (number > (largest - digit) / 10) throw OverflowError("decimal field out of range");
    number = number * 10 + digit;
  }
  return number;
}

// Up to digits hexadecimal digits from the start of text, as a bit pattern.
template <typename Char>
std::uint64_t ReadHexDigits(std::basic_string_view<Char> text, std::size_t digits) {
  std::uint64_t pattern = 0;
  for (std::size_t i = 0; i < text.size() && i < digits; ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0) break;
    pattern = (pattern << 4) | static_cast<std::uint64_t>(digit);
  }
  return pattern;
}

template <typename Char>
std::int32_t ParseHex32(std::basic_string_view<Char> text) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(ReadHexDigits(text, kHexFieldDigits)));
}

template <typename Char>
std::int32_t ParseDecimal32(std::basic_string_view<Char> text) {
  return static_cast<std::int32_t>(ReadDigits(text, std::numeric_limits<std::int32_t>::max()));
}

template <typename Char>
std::int32_t ReadSigned32(std::basic_string_view<Char> text) {
  if (text.empty() || text.front() != '-') return ParseDecimal32(text);
  constexpr std::uint64_t kLargestMagnitude = std::uint64_t{1} << 31;
  return static_cast<std::int32_t>(
      -static_cast<std::int64_t>(ReadDigits(text.substr(1), kLargestMagnitude)));
}

std::u16string Widened(const char* chars, std::size_t n) {
  return std::u16string(chars, chars + n);
}

}  // namespace

HexByteTable BuildHexByteText() {
  HexByteTable table;
  char digits[kFieldTextCapacity];
  for (std::uint32_t i = 0; i < table.size(); ++i) {
    table[i] = Widened(digits, WriteHexDigits(digits, i));
  }
  for (std::size_t i = 0; i < 16; ++i) table[i].insert(0, 1, u'0');
  return table;
}

std::u16string LongToByteHex(const HexByteTable& table, std::int32_t value) {
  char chars[kFieldTextCapacity];
  return Widened(chars, WriteByteHex(chars, table, static_cast<std::uint32_t>(value), 4));
}

std::int32_t ParseHexField(std::u16string_view text) { return ParseHex32(text); }
std::int32_t ParseDecimalField(std::u16string_view text) { return ParseDecimal32(text); }

std::u16string HexFieldText(std::int32_t value) {
  char chars[kFieldTextCapacity];
  // The 32-bit pattern, so that a negative value shows its 8 digits.
  return Widened(chars, WriteHexDigits(chars, static_cast<std::uint32_t>(value)));
}

std::size_t WriteHexDigits(char* out, std::uint64_t pattern) {
  // The count first, so that the digits go straight to their places, two at a time from the end.
  const std::size_t n =
      pattern == 0 ? 1 : (static_cast<std::size_t>(std::bit_width(pattern)) + 3) / 4;
  std::size_t i = n;
  for (; i >= 2; i -= 2, pattern >>= 8) {
    std::memcpy(out + i - 2, &kHexPairs[2 * (pattern & 0xFF)], 2);
  }
  if (i == 1) out[0] = kHexDigits[pattern & 0xF];
  return n;
}

std::size_t WriteDecimal(char* out, std::int64_t value) {
  // Unsigned, so that the lowest value has a magnitude.
  const auto pattern = static_cast<std::uint64_t>(value);
  if (value >= 0) return WriteUnsignedDecimal(out, pattern);
  out[0] = '-';
  return 1 + WriteUnsignedDecimal(out + 1, 0 - pattern);
}

std::size_t WriteUnsignedDecimal(char* out, std::uint64_t value) {
  // The count first, then the digits straight to their places, two at a time from the end: half
  // the divisions of one digit at a time.
  std::size_t digits = 1;
  while (digits < kPowersOfTen.size() && value >= kPowersOfTen[digits]) ++digits;
  std::size_t i = digits;
  for (; value >= 100; value /= 100, i -= 2) {
    std::memcpy(out + i - 2, &kDecimalPairs[2 * (value % 100)], 2);
  }
  if (value >= 10) {
    std::memcpy(out, &kDecimalPairs[2 * value], 2);
  } else {
    out[0] = static_cast<char>('0' + value);
  }
  return digits;
}

std::size_t WriteFieldNumber(char* out, Radix radix, NumberWidth width, std::int64_t value) {
  const auto pattern = static_cast<std::uint64_t>(value);
  if (width == NumberWidth::Wide) {
    return radix == Radix::Hex ? WriteHexDigits(out, pattern) : WriteUnsignedDecimal(out, pattern);
  }
  // A narrow value is 32-bit: its hexadecimal text is the 32-bit pattern.
  const auto narrow = static_cast<std::int32_t>(value);
  return radix == Radix::Hex ? WriteHexDigits(out, static_cast<std::uint32_t>(narrow))
                             : WriteDecimal(out, narrow);
}

std::int64_t ParseFieldNumber(std::string_view text, Radix radix, NumberWidth width) {
  if (width == NumberWidth::Narrow) {
    return radix == Radix::Hex ? ParseHex32(text) : ParseDecimal32(text);
  }
  return static_cast<std::int64_t>(
      radix == Radix::Hex ? ReadHexDigits(text, kWideHexFieldDigits)
                          : ReadDigits(text, std::numeric_limits<std::uint64_t>::max()));
}

std::int64_t ReadOtherRadix(std::string_view text, Radix radix, NumberWidth width) {
  const Radix written = radix == Radix::Hex ? Radix::Decimal : Radix::Hex;
  if (written == Radix::Decimal && width == NumberWidth::Narrow) return ReadSigned32(text);
  return ParseFieldNumber(text, written, width);
}

std::u16string FieldNumberText(Radix radix, NumberWidth width, std::int64_t value) {
  char chars[kFieldTextCapacity];
  return Widened(chars, WriteFieldNumber(chars, radix, width, value));
}

std::size_t WriteByteHex(char* out, const HexByteTable& table, std::uint64_t pattern, int bytes) {
  if (pattern == 0) return 0;
  const auto n = static_cast<std::size_t>(bytes);
  // Every entry is two ASCII digits.
  for (std::size_t i = 0; i < n; ++i, pattern >>= 8) {
    const std::u16string& entry = table[pattern & 0xFFu];
    out[2 * i] = static_cast<char>(entry[0]);
    out[2 * i + 1] = static_cast<char>(entry[1]);
  }
  return 2 * n;
}

}  // namespace marlit
