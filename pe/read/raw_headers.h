#pragma once
// What the file says: the header fields the views are built from, as the PE format lays them out,
// read once by the loader and kept with the image so that a view can be rebuilt at any time.

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace marlit {

// RVAs are 32-bit: no image reaches past this one.
inline constexpr std::uint64_t kLargestRva = std::numeric_limits<std::uint32_t>::max();

// One section header's fields that the views use.
struct RawSectionHeader {
  std::array<std::uint8_t, 8> Name{};
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t SizeOfRawData = 0;
  std::uint32_t PointerToRawData = 0;
};

// The 40 bytes of a section header, decoded byte by byte.
[[nodiscard]] RawSectionHeader DecodeSectionHeader(std::span<const std::uint8_t, 40> header);

struct RawImageHeaders {
  // File header.
  std::uint32_t PointerToSymbolTable = 0;
  std::uint32_t NumberOfSymbols = 0;
  // Optional header, at the same places in both kinds of image.
  std::uint32_t SectionAlignment = 0;
  std::uint32_t FileAlignment = 0;
  std::uint32_t SizeOfImage = 0;
  std::uint32_t SizeOfHeaders = 0;
  // The length of the file the fields were read from.
  std::uint32_t FileLength = 0;
  std::vector<RawSectionHeader> Sections;
  // The name each section shows: its long name from the COFF string table where it has a
  // readable one, else its 8 name bytes in the system code page, cut at the first NUL.
  std::vector<std::u16string> Names;
};

}  // namespace marlit
