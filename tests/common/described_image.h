#pragma once
// An image with something to say about its addresses, for the tests of descriptions and
// references: data directories, exports, a base relocation, and pointers to one address.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/pe_builder.h"

namespace marlit::test {

inline constexpr std::uint16_t kDescribedPe32Plus = 0x20B;

// An export directory at 3000h of two functions by name, Alpha at 1000h and CreateFileW at 2100h:
// its fields, the function, name and ordinal tables, then the names.
inline std::vector<std::uint8_t> TwoExports() {
  constexpr std::uint32_t kAt = 0x3000;
  std::vector<std::uint8_t> b(60, 0);
  const std::uint32_t fields[] = {1, 2, 2, kAt + 40, kAt + 48, kAt + 56};
  for (std::size_t i = 0; i < 6; ++i) Put32(b, 16 + 4 * i, fields[i]);
  const std::string names[] = {"Alpha", "CreateFileW"};
  for (std::uint16_t i = 0; i < 2; ++i) {
    Put32(b, 40 + 4 * i, i == 0 ? 0x1000 : 0x2100);
    Put32(b, 48 + 4 * i, kAt + static_cast<std::uint32_t>(b.size()));
    Put16(b, 56 + 2 * i, i);
    b.insert(b.end(), names[i].begin(), names[i].end());
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
  const std::vector<std::uint8_t> exports = TwoExports();
  std::vector<std::uint8_t> relocations;
  Put32(relocations, 0, 0x1000);
  Put32(relocations, 4, 12);
  Put16(relocations, 8, (magic == kDescribedPe32Plus ? 0xA000 : 0x3000) | 0x010);
  Put16(relocations, 10, 0);
  PeBuilder builder =
      PeBuilder()
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
