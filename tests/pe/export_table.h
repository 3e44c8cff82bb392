#pragma once
// An export directory written byte by byte for the tests, to be placed at kDirectoryRva.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/pe_builder.h"

namespace marlit::test {

inline constexpr std::uint32_t kDirectoryRva = 0x3000;

struct ExportLayout {
  std::uint32_t base = 5;
  std::vector<std::uint32_t> functions;
  // In the name table's order: the name and the index of its function.
  std::vector<std::pair<std::string, std::uint16_t>> names;
};

// Offsets of the tables within the directory's bytes.
struct TableOffsets {
  std::size_t functions = 40;
  std::size_t names = 0;
  std::size_t ordinals = 0;
  std::size_t strings = 0;
};

inline TableOffsets OffsetsOf(const ExportLayout& l) {
  TableOffsets t;
  t.names = t.functions + 4 * l.functions.size();
  t.ordinals = t.names + 4 * l.names.size();
  t.strings = t.ordinals + 2 * l.names.size();
  return t;
}

// The export directory, its tables and its name strings, to be placed at kDirectoryRva.
inline std::vector<std::uint8_t> ExportTable(const ExportLayout& l) {
  const TableOffsets t = OffsetsOf(l);
  std::vector<std::uint8_t> b(t.strings, 0);
  Put32(b, 16, l.base);
  Put32(b, 20, static_cast<std::uint32_t>(l.functions.size()));
  Put32(b, 24, static_cast<std::uint32_t>(l.names.size()));
  Put32(b, 28, kDirectoryRva + static_cast<std::uint32_t>(t.functions));
  Put32(b, 32, kDirectoryRva + static_cast<std::uint32_t>(t.names));
  Put32(b, 36, kDirectoryRva + static_cast<std::uint32_t>(t.ordinals));
  for (std::size_t i = 0; i < l.functions.size(); ++i)
    Put32(b, t.functions + 4 * i, l.functions[i]);
  for (std::size_t i = 0; i < l.names.size(); ++i) {
    Put32(b, t.names + 4 * i, kDirectoryRva + static_cast<std::uint32_t>(b.size()));
    Put16(b, t.ordinals + 2 * i, l.names[i].second);
    b.insert(b.end(), l.names[i].first.begin(), l.names[i].first.end());
    b.push_back(0);
  }
  return b;
}

}  // namespace marlit::test
