#include "pe/read/raw_headers.h"

#include <algorithm>

#include "pe/read/bounded_reader.h"

namespace marlit {

RawSectionHeader DecodeSectionHeader(std::span<const std::uint8_t, 40> header) {
  RawSectionHeader raw;
  std::copy_n(header.begin(), raw.Name.size(), raw.Name.begin());
  raw.VirtualSize = LoadLe32(header, 8);
  raw.VirtualAddress = LoadLe32(header, 12);
  raw.SizeOfRawData = LoadLe32(header, 16);
  raw.PointerToRawData = LoadLe32(header, 20);
  return raw;
}

}  // namespace marlit
