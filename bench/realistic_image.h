#pragma once
// The section table of a typical 32-bit program, built in memory, and a million values spread over
// its file (and a little past it, so that some find no section).

#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "pe/view/pe_image.h"

namespace marlit::bench {

struct RawSection {
  const char16_t* name;
  std::int32_t VirtualAddress;
  std::int32_t SizeOfRawData;
  std::int32_t PointerToRawData;
};

inline constexpr std::int32_t kRealisticImageBase = 0x400000;
inline constexpr RawSection kRealisticSections[] = {
    {u".text", 0x1000, 0x9A600, 0x400},      {u".rdata", 0x9C000, 0x2C400, 0x9AA00},
    {u".data", 0xC9000, 0x3A00, 0xC6E00},    {u".idata", 0xD6000, 0x1C00, 0xCA800},
    {u".tls", 0xD8000, 0x200, 0xCC400},      {u".rsrc", 0xD9000, 0x41E00, 0xCC600},
    {u".reloc", 0x11B000, 0x9400, 0x10E400}, {u".bss", 0x125000, 0, 0},
};

inline PeImage RealisticImage() {
  constexpr std::int32_t kImageBase = kRealisticImageBase;
  PeImage image;
  image.ImageBase = kImageBase;
  image.Sections.push_back({u"檔案頭", kImageBase, 0, 0, 0, kImageBase, 0, true});
  std::int32_t lowestFile = 0x7FFFFFFF;
  std::int64_t lowestRam = 0x7FFFFFFF;
  for (const RawSection& s : kRealisticSections) {
    SectionRecord r;
    r.Name = s.name;
    r.Included = s.PointerToRawData != 0 && s.SizeOfRawData != 0;
    r.RamMin = kImageBase + s.VirtualAddress;
    r.RamMax = r.RamMin + s.SizeOfRawData;
    r.FileMin = s.PointerToRawData;
    r.FileMax = s.PointerToRawData + s.SizeOfRawData;
    r.RamDelta = r.RamMin - r.FileMin;
    r.RvaDelta = r.RamDelta - kImageBase;
    if (s.PointerToRawData != 0 && r.FileMin < lowestFile) lowestFile = r.FileMin;
    if (r.RamMin < lowestRam) lowestRam = r.RamMin;
    image.Sections.push_back(r);
  }
  image.Sections[0].FileMax = lowestFile;
  image.Sections[0].RamMax = lowestRam;
  image.SectionCount = static_cast<std::int16_t>(image.Sections.size());
  return image;
}

inline constexpr std::size_t kValueCount = 1'000'000;

inline std::vector<std::int32_t> SpreadOffsets() {
  std::mt19937 random(1234);
  std::uniform_int_distribution<std::int32_t> offset(0, 0x120000);
  std::vector<std::int32_t> values(kValueCount);
  for (auto& v : values) v = offset(random);
  return values;
}

// The offsets as marlit-cli reads them from stdin: one lower-case hexadecimal value a line.
inline std::string SpreadOffsetLines() {
  std::string input;
  char digits[16];
  for (const std::int32_t offset : SpreadOffsets()) {
    const auto r =
        std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(offset), 16);
    input.append(digits, r.ptr);
    input += '\n';
  }
  return input;
}

}  // namespace marlit::bench
