#include "cli/field_text.h"

#include <algorithm>
#include <charconv>

namespace marlit::cli {

void FieldText::Assign(std::string_view text) {
  size_ = std::min(text.size(), kCapacity);
  std::copy_n(text.data(), size_, chars_.data());
}

void FieldText::SetHex(std::int32_t value) {
  // The 32-bit pattern, so that a negative value shows its 8 digits.
  const auto pattern = static_cast<std::uint32_t>(value);
  const auto result = std::to_chars(chars_.data(), chars_.data() + kCapacity, pattern, 16);
  size_ = static_cast<std::size_t>(result.ptr - chars_.data());
  for (std::size_t i = 0; i < size_; ++i) {
    if (chars_[i] >= 'a' && chars_[i] <= 'f') chars_[i] = static_cast<char>(chars_[i] - 'a' + 'A');
  }
}

void FieldText::SetDecimal(std::int32_t value) {
  const auto result = std::to_chars(chars_.data(), chars_.data() + kCapacity, value);
  size_ = static_cast<std::size_t>(result.ptr - chars_.data());
}

void FieldText::SetByteHex(const std::array<char, 512>& byteHex, std::int32_t value) {
  size_ = 0;
  if (value == 0) return;
  auto pattern = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i, pattern >>= 8) {
    const std::size_t entry = 2 * (pattern & 0xFFu);
    chars_[size_++] = byteHex[entry];
    chars_[size_++] = byteHex[entry + 1];
  }
}

std::array<char, 512> AsciiHexByteText(const HexByteTable& table) {
  std::array<char, 512> ascii{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    // Every entry is two ASCII hexadecimal digits.
    ascii[2 * i] = table[i].size() > 0 ? static_cast<char>(table[i][0]) : '0';
    ascii[2 * i + 1] = table[i].size() > 1 ? static_cast<char>(table[i][1]) : '0';
  }
  return ascii;
}

}  // namespace marlit::cli
