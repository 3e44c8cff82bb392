#pragma once
// The texts of the number fields and of the byte-order field. Each rule is written once, over
// ASCII characters in a caller's buffer, so that a batch formats without allocating; the UTF-16
// texts of the window are made from the same characters.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pe/view/pe_image.h"

namespace marlit {

enum class Radix { Decimal, Hex };

// The rules of a number field. Narrow: 32-bit signed, hexadecimal text standing for the bit
// pattern (a file offset, or a memory address of a PE32 image). Wide: unsigned 64-bit (a memory
// address of a PE32+ image), held in an int64 as its bit pattern.
enum class NumberWidth { Narrow, Wide };

// The rules of the memory address field for the loaded image.
[[nodiscard]] constexpr NumberWidth AddressWidth(const PeImage& image) {
  return image.Kind == ImageKind::Pe32Plus ? NumberWidth::Wide : NumberWidth::Narrow;
}

using HexByteTable = std::array<std::u16string, 256>;

// The longest text the program writes into a field: "-2147483648", or the 20 digits of the
// largest 64-bit address; 代碼 of a 64-bit address has 16.
inline constexpr std::size_t kFieldTextCapacity = 24;

// Entry i holds the two upper-case hexadecimal digits of i, "00" .. "FF".
[[nodiscard]] HexByteTable BuildHexByteText();

// The value's four bytes in memory order, least significant first: "78563412" for 12345678h;
// the empty text for 0.
[[nodiscard]] std::u16string LongToByteHex(const HexByteTable& table, std::int32_t value);

// Up to 8 hexadecimal digits read as the 32-bit pattern; stops at the first other character.
// Reading ends after the eighth digit, as the field holds no more: "123456789" is 12345678h.
[[nodiscard]] std::int32_t ParseHexField(std::u16string_view text);
// Decimal digits; stops at the first other character. Above 2147483647 raises OverflowError.
[[nodiscard]] std::int32_t ParseDecimalField(std::u16string_view text);

[[nodiscard]] std::u16string HexFieldText(std::int32_t value);

// A field's text read by the rules of its width: in hexadecimal up to 8 (16) digits, in decimal
// up to 2147483647 (18446744073709551615), above which OverflowError is raised.
[[nodiscard]] std::int64_t ParseFieldNumber(std::string_view text, Radix radix, NumberWidth width);
// The text the program wrote in the radix other than radix, read back for the radix switch: a
// narrow decimal text keeps its minus sign.
[[nodiscard]] std::int64_t ReadOtherRadix(std::string_view text, Radix radix, NumberWidth width);
// The field's text of value: HexFieldText or the signed decimal number for narrow fields, the
// unsigned 64-bit number for wide ones.
[[nodiscard]] std::u16string FieldNumberText(Radix radix, NumberWidth width, std::int64_t value);

// The same texts into out, which has room for kFieldTextCapacity characters; the result is the
// number of characters written.
// Upper-case hexadecimal digits of the pattern, no leading zeros; "0" for 0.
std::size_t WriteHexDigits(char* out, std::uint64_t pattern);
// The signed decimal number, "-" first when negative.
std::size_t WriteDecimal(char* out, std::int64_t value);
std::size_t WriteUnsignedDecimal(char* out, std::uint64_t value);
std::size_t WriteFieldNumber(char* out, Radix radix, NumberWidth width, std::int64_t value);
// The low `bytes` bytes of the pattern in memory order, each as its HexByteText entry; nothing
// for 0.
std::size_t WriteByteHex(char* out, const HexByteTable& table, std::uint64_t pattern, int bytes);

}  // namespace marlit
