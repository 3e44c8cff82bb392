#include "pe/loader_mapping.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "pe/image_view.h"

namespace marlit {

namespace {

using Range = IntervalLookup::Range;

// The extents in the order a direction tests them: the headers first or last.
std::vector<std::size_t> TestOrder(std::size_t count, HeaderTurn header) {
  std::vector<std::size_t> order;
  order.reserve(count);
  if (count == 0) return order;
  if (header == HeaderTurn::First) order.push_back(0);
  for (std::size_t i = 1; i < count; ++i) order.push_back(i);
  if (header == HeaderTurn::Last) order.push_back(0);
  return order;
}

// An extent's fields in RVAs: RamMin is its first RVA, RvaDelta the RVA less the file offset.
// Its file data lies within the file, whose length fits 32 bits.
RecordFields FieldsOf(const LoaderExtent& e) {
  RecordFields f;
  f.RamMin = static_cast<std::int64_t>(e.Rva);
  f.FileMin = static_cast<std::int32_t>(e.FileStart);
  f.FileMax = static_cast<std::int32_t>(e.FileStart + e.FileSize);
  f.RvaDelta = static_cast<std::int64_t>(e.Rva) - static_cast<std::int64_t>(e.FileStart);
  return f;
}

}  // namespace

LoaderMapping::LoaderMapping(const RawImageHeaders& raw) {
  const LoaderLayout layout = BuildLoaderLayout(raw);
  const std::vector<LoaderExtent>& extents = layout.Extents;
  std::vector<RecordFields> fields;
  fields.reserve(extents.size());
  for (const LoaderExtent& e : extents) fields.push_back(FieldsOf(e));

  std::vector<Range> memory;
  for (const std::size_t i : TestOrder(extents.size(), layout.FromAddress)) {
    memory.push_back(
        {extents[i].Rva, extents[i].Rva + extents[i].MemorySize, static_cast<std::int32_t>(i)});
  }
  fromRva_ = IntervalLookup(memory, fields);

  std::vector<Range> file;
  for (const std::size_t i : TestOrder(extents.size(), layout.FromOffset)) {
    file.push_back({extents[i].FileStart, extents[i].FileStart + extents[i].FileSize,
                    static_cast<std::int32_t>(i)});
  }
  fromOffset_ = IntervalLookup(file, fields);
}

std::optional<FileRun> LoaderMapping::FileRunAt(std::uint32_t rva) const {
  const IntervalLookup::Hit hit = fromRva_.FindWithEnd(rva);
  if (hit.Fields == nullptr) return std::nullopt;
  const RecordFields& r = *hit.Fields;
  const auto into = static_cast<std::uint64_t>(rva - r.RamMin);
  const auto fileSize = static_cast<std::uint64_t>(std::int64_t{r.FileMax} - r.FileMin);
  if (into >= fileSize) return std::nullopt;  // zero-filled
  const std::uint64_t size = std::min(fileSize - into, hit.End - rva);
  return FileRun{static_cast<std::uint32_t>(static_cast<std::uint64_t>(r.FileMin) + into),
                 static_cast<std::uint32_t>(
                     std::min<std::uint64_t>(size, std::numeric_limits<std::uint32_t>::max()))};
}

std::optional<std::uint32_t> LoaderMapping::RvaOfFileOffset(std::uint32_t offset) const {
  const RecordFields* r = fromOffset_.Find(offset);
  if (r == nullptr) return std::nullopt;
  const std::int64_t rva = std::int64_t{offset} + r->RvaDelta;
  if (rva < 0 || rva > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(rva);
}

}  // namespace marlit
