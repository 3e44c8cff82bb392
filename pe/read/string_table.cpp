#include "pe/read/string_table.h"

#include <array>
#include <string>

#include "platform/translation.h"

namespace marlit {

namespace {

constexpr std::size_t kChunk = 64;
constexpr std::uint64_t kSymbolSize = 18;

// The bytes at offset up to the first NUL; none when the end of the file or the longest name
// comes first.
std::optional<std::string> ReadTerminatedText(BoundedReader& reader, std::uint64_t offset) {
  std::string text;
  std::array<std::uint8_t, kChunk> chunk{};
  const std::uint64_t length = reader.Length();
  for (std::uint64_t at = offset; at < length && text.size() < kLongestSectionName;) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, length - at));
    reader.ReadAt(at, std::span(chunk).first(n));
    for (std::size_t i = 0; i < n; ++i) {
      if (chunk[i] == 0) return text;
      text.push_back(static_cast<char>(chunk[i]));
    }
    at += n;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint64_t> StringTableOffset(std::uint32_t pointerToSymbolTable,
                                               std::uint32_t numberOfSymbols) {
  if (pointerToSymbolTable == 0) return std::nullopt;
  return std::uint64_t{pointerToSymbolTable} + kSymbolSize * numberOfSymbols;
}

std::optional<std::uint32_t> StringTableIndex(std::span<const std::uint8_t, 8> name) {
  if (name[0] != '/') return std::nullopt;
  std::uint32_t index = 0;
  std::size_t digits = 0;
  for (std::size_t i = 1; i < name.size() && name[i] != 0; ++i, ++digits) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    index = index * 10 + static_cast<std::uint32_t>(name[i] - '0');
  }
  if (digits == 0) return std::nullopt;
  return index;
}

std::optional<std::u16string> LongSectionName(BoundedReader& reader,
                                              std::optional<std::uint64_t> stringTable,
                                              std::span<const std::uint8_t, 8> name) {
  const std::optional<std::uint32_t> index = StringTableIndex(name);
  if (!stringTable || !index) return std::nullopt;
  const std::optional<std::string> text = ReadTerminatedText(reader, *stringTable + *index);
  if (!text || text->size() > kLongestSectionName) return std::nullopt;
  return StrictUtf16FromUtf8(*text);
}

}  // namespace marlit
