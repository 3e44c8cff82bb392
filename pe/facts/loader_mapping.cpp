#include "pe/facts/loader_mapping.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "pe/view/image_view.h"

namespace marlit {

namespace {

using Range = IntervalLookup::Range;

}  // namespace

LoaderMapping::LoaderMapping(const RawImageHeaders& raw) {
  const LoaderLayout layout = BuildLoaderLayout(raw);
  extents_ = layout.Extents;
  const std::vector<LoaderExtent>& extents = extents_;

  std::vector<Range> memory;
  for (const std::size_t i : TestOrder(extents.size(), layout.FromAddress)) {
    memory.push_back(
        {extents[i].Rva, extents[i].Rva + extents[i].MemorySize, static_cast<std::uint32_t>(i + 1)});
  }
  fromRva_ = IntervalLookup(memory);

  std::vector<Range> file;
  for (const std::size_t i : TestOrder(extents.size(), layout.FromOffset)) {
    file.push_back({extents[i].FileStart, extents[i].FileStart + extents[i].FileSize,
                    static_cast<std::uint32_t>(i + 1)});
  }
  fromOffset_ = IntervalLookup(file);
}

std::optional<FileRun> LoaderMapping::FileRunAt(std::uint32_t rva) const {
  const IntervalLookup::Hit hit = fromRva_.FindWithEnd(rva);
  if (hit.Position == 0) return std::nullopt;
  const LoaderExtent& e = extents_[hit.Position - 1];
  const std::uint64_t into = rva - e.Rva;
  const std::uint64_t fileSize = e.FileSize;
  if (into >= fileSize) return std::nullopt;  // zero-filled
  const std::uint64_t size = std::min(fileSize - into, hit.End - rva);
  return FileRun{static_cast<std::uint32_t>(e.FileStart + into),
                 static_cast<std::uint32_t>(
                     std::min<std::uint64_t>(size, std::numeric_limits<std::uint32_t>::max()))};
}

std::optional<std::uint32_t> LoaderMapping::RvaOfFileOffset(std::uint32_t offset) const {
  const std::uint32_t position = fromOffset_.Find(offset);
  if (position == 0) return std::nullopt;
  const LoaderExtent& e = extents_[position - 1];
  const std::int64_t rva = std::int64_t{offset} + static_cast<std::int64_t>(e.Rva) -
                           static_cast<std::int64_t>(e.FileStart);
  if (rva < 0 || rva > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(rva);
}

}  // namespace marlit
