#pragma once
// The texts of the number fields and of 代碼 as ASCII, written into fixed buffers so that a batch
// of values formats without allocating. They give the same characters as HexFieldText,
// DecimalFieldText and LongToByteHex.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pe/number_text.h"

namespace marlit::cli {

// One field's text; the longest the program writes is a negative decimal number (11 characters),
// the longest a user may type is 10 digits.
class FieldText {
 public:
  static constexpr std::size_t kCapacity = 16;
  // Texts longer than kCapacity are cut; the callers check value texts before.
  void Assign(std::string_view text);
  void Clear() { size_ = 0; }
  [[nodiscard]] std::string_view View() const { return {chars_.data(), size_}; }

  void SetHex(std::int32_t value);
  void SetDecimal(std::int32_t value);
  // The four bytes in memory order, each as its HexByteText entry; empty for 0.
  void SetByteHex(const std::array<char, 512>& byteHex, std::int32_t value);

 private:
  std::array<char, kCapacity> chars_{};
  std::size_t size_ = 0;
};

// HexByteText as ASCII: the entry of byte i at [2 i, 2 i + 1].
[[nodiscard]] std::array<char, 512> AsciiHexByteText(const HexByteTable& table);

}  // namespace marlit::cli
