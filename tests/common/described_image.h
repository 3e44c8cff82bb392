#pragma once
// An image with something to say about its addresses, for the tests of descriptions and
// references: data directories, exports, a base relocation, and pointers to one address.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/pe_builder.h"

namespace marlit::test {

inline constexpr std::uint16_t kDescribedPe32Plus = 0x20B;

// An export directory to be placed at rva: its fields, then the function table at 40, the name
// and ordinal tables after it, and the names; each name with the index of its function.
inline std::vector<std::uint8_t> ExportDirectory(
    std::uint32_t rva, std::uint32_t base, const std::vector<std::uint32_t>& functions,
    const std::vector<std::pair<std::string, std::uint16_t>>& names) {
  const std::size_t namesAt = 40 + 4 * functions.size(), ordinalsAt = namesAt + 4 * names.size();
  std::vector<std::uint8_t> b(ordinalsAt + 2 * names.size(), 0);
  const std::size_t fields[] = {base,      functions.size(), names.size(),
                                rva + 40u, rva + namesAt,    rva + ordinalsAt};
  for (std::size_t i = 0; i < 6; ++i) Put32(b, 16 + 4 * i, static_cast<std::uint32_t>(fields[i]));
  for (std::size_t i = 0; i < functions.size(); ++i) Put32(b, 40 + 4 * i, functions[i]);
  for (std::size_t i = 0; i < names.size(); ++i) {
    Put32(b, namesAt + 4 * i, rva + static_cast<std::uint32_t>(b.size()));
    Put16(b, ordinalsAt + 2 * i, names[i].second);
    b.insert(b.end(), names[i].first.begin(), names[i].first.end());
    b.push_back(0);
  }
  return b;
}

inline constexpr std::uint32_t kTarget = 0x2110;  // the RVA that the file points to
// Offsets holding the target: the headers, .text below its unaligned pointer, .text at it
// (relocated), the certificate table in the overlay.
inline constexpr std::uint32_t kPointers[] = {0x300, 0x404, 0x410, 0xE10};

inline std::uint64_t FileBase(std::uint16_t magic) {
  return magic == kDescribedPe32Plus ? 0x140000000 : 0x400000;
}

// .text: its raw data at 410h, which the loader reads from 400h; .idata: 200h bytes of data in
// 1000h of memory; .edata: the exports Alpha (1000h) and CreateFileW (2100h); .reloc: one entry
// at 1010h; the certificate table in the overlay at E00h, and 80h bytes after it.
inline PeBuilder Described(std::uint16_t magic) {
  const std::vector<std::uint8_t> exports =
      ExportDirectory(0x3000, 1, {0x1000, 0x2100}, {{"Alpha", 0}, {"CreateFileW", 1}});
  std::vector<std::uint8_t> relocations;
  Put32(relocations, 0, 0x1000);
  Put32(relocations, 4, 12);
  Put16(relocations, 8, (magic == kDescribedPe32Plus ? 0xA000 : 0x3000) | 0x010);
  Put16(relocations, 10, 0);
  PeBuilder builder = PeBuilder()
                          .Magic(magic)
                          .ImageBase(FileBase(magic))
                          .AddSection(TestSection{".text", 0x3F0, 0x1000, 0x3F0, 0x410})
                          .AddSection(TestSection{".idata", 0x1000, 0x2000, 0x200, 0x800})
                          .AddSection(".edata", 0x3000, 0x200, 0xA00)
                          .AddSection(".reloc", 0x4000, 0x200, 0xC00)
                          .DataDirectory(0, 0x3000, static_cast<std::uint32_t>(exports.size()))
                          .DataDirectory(1, 0x2000, 0x100)
                          .DataDirectory(4, 0xE00, 0x100)
                          .DataDirectory(5, 0x4000, 12)
                          .DataDirectory(12, 0x2100, 0x40)
                          .Bytes(0xA00, exports)
                          .Bytes(0xC00, relocations)
                          .FileLength(0xF80);
  const std::uint64_t pointer = FileBase(magic) + kTarget;
  for (const std::uint32_t at : kPointers) {
    std::vector<std::uint8_t> bytes;
    magic == kDescribedPe32Plus ? Put64(bytes, 0, pointer)
                                : Put32(bytes, 0, static_cast<std::uint32_t>(pointer));
    builder.Bytes(at, bytes);
  }
  return builder;
}

}  // namespace marlit::test
