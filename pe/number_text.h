#pragma once
// The texts of the number fields and of the byte-order field.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace marlit {

using HexByteTable = std::array<std::u16string, 256>;

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
[[nodiscard]] std::u16string DecimalFieldText(std::int32_t value);

}  // namespace marlit
