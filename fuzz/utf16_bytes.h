#pragma once
// The texts of the fuzz targets' inputs: UTF-16 code units, two bytes each, little-endian; an odd
// last byte belongs to no unit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marlit::fuzz {

[[nodiscard]] inline std::u16string Utf16FromBytes(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  return text;
}

[[nodiscard]] inline std::vector<std::uint8_t> BytesFromUtf16(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

}  // namespace marlit::fuzz
