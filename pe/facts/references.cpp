#include "pe/facts/references.h"

#include <string.h>

#include <algorithm>
#include <limits>

namespace marlit {

namespace {

// Records the matches in the bytes that start at file offset start; false when the limit is hit.
class MatchRecorder {
 public:
  MatchRecorder(const RvaMapping& mapping, const BaseRelocations& relocations,
                std::vector<Reference>& found, std::size_t limit)
      : mapping_(mapping), relocations_(relocations), found_(found), limit_(limit) {}

  bool Scan(std::span<const std::uint8_t> bytes, std::uint64_t start,
            std::span<const std::uint8_t> needle) {
    const std::uint8_t* from = bytes.data();
    const std::uint8_t* const end = bytes.data() + bytes.size();
    // memmem is the C library's own memory search.
    while (static_cast<std::size_t>(end - from) >= needle.size()) {
      const void* hit =
          ::memmem(from, static_cast<std::size_t>(end - from), needle.data(), needle.size());
      if (hit == nullptr) break;
      const auto* at = static_cast<const std::uint8_t*>(hit);
      if (found_.size() == limit_) return false;
      Add(start + static_cast<std::uint64_t>(at - bytes.data()));
      from = at + 1;
    }
    return true;
  }

 private:
  void Add(std::uint64_t offset) {
    bool relocated = false;
    if (offset <= std::numeric_limits<std::uint32_t>::max()) {
      const std::optional<std::uint32_t> rva =
          mapping_.RvaOfFileOffset(static_cast<std::uint32_t>(offset));
      relocated = rva && relocations_.Covers(*rva);
    }
    found_.push_back({offset, relocated});
  }

  const RvaMapping& mapping_;
  const BaseRelocations& relocations_;
  std::vector<Reference>& found_;
  std::size_t limit_;
};

}  // namespace

StoredPointer PointerBytes(ImageKind kind, std::int64_t address) {
  StoredPointer pointer;
  pointer.Width = kind == ImageKind::Pe32Plus ? 8 : 4;
  auto pattern = static_cast<std::uint64_t>(address);
  for (std::size_t i = 0; i < pointer.Width; ++i, pattern >>= 8) {
    pointer.Bytes[i] = static_cast<std::uint8_t>(pattern);
  }
  return pointer;
}

ReferenceSearch FindReferences(BoundedReader& reader, const StoredPointer& pointer,
                               const RvaMapping& mapping, const BaseRelocations& relocations,
                               const SearchProgress& goOn, std::size_t limit) {
  ReferenceSearch search;
  MatchRecorder recorder(mapping, relocations, search.References, limit);
  const std::span<const std::uint8_t> needle = pointer.View();
  // The last Width - 1 bytes of a block stay at the buffer's start, so that a pointer that
  // straddles two blocks is found, and found once: it did not fit in the earlier block.
  const std::size_t kept = needle.size() - 1;
  const std::uint64_t total = reader.Length();
  std::vector<std::uint8_t> buffer(
      static_cast<std::size_t>(std::min<std::uint64_t>(kReferenceBlockSize, total)) + kept);
  std::size_t carried = 0;
  for (std::uint64_t next = 0; next < total;) {
    if (goOn && !goOn(next, total)) {
      search.Cancelled = true;
      break;
    }
    const auto n =
        static_cast<std::size_t>(std::min<std::uint64_t>(kReferenceBlockSize, total - next));
    reader.ReadAt(next, std::span(buffer).subspan(carried, n));
    const std::size_t filled = carried + n;
    if (!recorder.Scan(std::span(buffer).first(filled), next - carried, needle)) {
      search.Truncated = true;
      break;
    }
    carried = std::min(kept, filled);
    std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(filled - carried), carried,
                buffer.begin());
    next += n;
  }
  return search;
}

}  // namespace marlit
