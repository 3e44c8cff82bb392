#include "pe/facts/rva_mapping.h"

#include <algorithm>
#include <limits>

namespace marlit {

namespace {

// Calls take with the file offset and length of each piece of the size bytes mapped from rva on,
// in order. False at the first byte mapped from no byte of the file of length fileLength.
template <typename Take>
bool WalkMapped(std::uint64_t fileLength, const RvaMapping& mapping, std::uint64_t rva,
                std::uint64_t size, Take take) {
  // Each run taken is at least one byte long, so the loop ends within size turns.
  while (size != 0) {
    if (rva > std::numeric_limits<std::uint32_t>::max()) return false;
    const std::optional<FileRun> run = mapping.FileRunAt(static_cast<std::uint32_t>(rva));
    if (!run || run->Size == 0) return false;
    const std::uint64_t n = std::min<std::uint64_t>(size, run->Size);
    if (run->FileOffset > fileLength || n > fileLength - run->FileOffset) return false;
    take(run->FileOffset, static_cast<std::size_t>(n));
    size -= n;
    rva += n;
  }
  return true;
}

}  // namespace

bool ReadMapped(BoundedReader& reader, const RvaMapping& mapping, std::uint64_t rva,
                std::span<std::uint8_t> out) {
  return WalkMapped(reader.Length(), mapping, rva, out.size(),
                    [&reader, &out](std::uint64_t offset, std::size_t n) {
                      reader.ReadAt(offset, out.first(n));
                      out = out.subspan(n);
                    });
}

bool IsMapped(const BoundedReader& reader, const RvaMapping& mapping, std::uint64_t rva,
              std::uint64_t size) {
  return WalkMapped(reader.Length(), mapping, rva, size, [](std::uint64_t, std::size_t) {});
}

}  // namespace marlit
