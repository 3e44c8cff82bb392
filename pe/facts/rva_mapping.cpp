#include "pe/facts/rva_mapping.h"

#include <algorithm>
#include <limits>

namespace marlit {

bool ReadMapped(BoundedReader& reader, const RvaMapping& mapping, std::uint64_t rva,
                std::span<std::uint8_t> out) {
  // Each run read takes at least one byte, so the loop ends within out.size() turns.
  while (!out.empty()) {
    if (rva > std::numeric_limits<std::uint32_t>::max()) return false;
    const std::optional<FileRun> run = mapping.FileRunAt(static_cast<std::uint32_t>(rva));
    if (!run || run->Size == 0) return false;
    const std::size_t n = std::min<std::size_t>(out.size(), run->Size);
    if (run->FileOffset > reader.Length() || n > reader.Length() - run->FileOffset) return false;
    reader.ReadAt(run->FileOffset, out.first(n));
    out = out.subspan(n);
    rva += n;
  }
  return true;
}

}  // namespace marlit
