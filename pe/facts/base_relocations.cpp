#include "pe/facts/base_relocations.h"

#include <algorithm>
#include <limits>

namespace marlit {

namespace {

constexpr std::uint16_t kHighLow = 3;
constexpr std::uint16_t kDir64 = 10;
constexpr std::size_t kBlockHeaderSize = 8;

// The RVAs of one block's entries of the given type.
void AddBlockEntries(std::span<const std::uint8_t> block, std::uint16_t type,
                     std::vector<std::uint32_t>& rvas) {
  const std::uint32_t page = LoadLe32(block, 0);
  for (std::size_t at = kBlockHeaderSize; at + 2 <= block.size(); at += 2) {
    const std::uint16_t entry = LoadLe16(block, at);
    if (entry >> 12 != type) continue;
    const std::uint64_t rva = std::uint64_t{page} + (entry & 0xFFFu);
    if (rva <= std::numeric_limits<std::uint32_t>::max()) {
      rvas.push_back(static_cast<std::uint32_t>(rva));
    }
  }
}

}  // namespace

BaseRelocations BaseRelocations::Read(BoundedReader& reader, const DataDirectories& directories,
                                      ImageKind kind, const RvaMapping& mapping) {
  const std::optional<DataDirectory> directory =
      NonEmptyEntry(directories, DirectoryKind::BaseRelocation);
  if (!directory || directory->Size > reader.Length() ||
      !IsMapped(reader, mapping, directory->VirtualAddress, directory->Size)) {
    return {};
  }
  std::vector<std::uint8_t> table(directory->Size);
  if (!ReadMapped(reader, mapping, directory->VirtualAddress, table)) return {};

  const std::uint16_t type = kind == ImageKind::Pe32Plus ? kDir64 : kHighLow;
  std::vector<std::uint32_t> rvas;
  std::span<const std::uint8_t> rest = table;
  while (rest.size() >= kBlockHeaderSize) {
    const std::uint32_t blockSize = LoadLe32(rest, 4);
    if (blockSize < kBlockHeaderSize || blockSize > rest.size()) break;
    AddBlockEntries(rest.first(blockSize), type, rvas);
    rest = rest.subspan(blockSize);
  }
  std::sort(rvas.begin(), rvas.end());
  rvas.erase(std::unique(rvas.begin(), rvas.end()), rvas.end());
  return BaseRelocations(std::move(rvas));
}

bool BaseRelocations::Covers(std::uint32_t rva) const {
  return std::binary_search(rvas_.begin(), rvas_.end(), rva);
}

}  // namespace marlit
