#pragma once
// The lookup behind translation, built once per table, view, set of Included flags and load
// address: each direction's ranges cut into disjoint intervals, each knowing the first record that
// holds it, found by binary search.

#include <cstdint>
#include <span>
#include <vector>

#include "pe/pe_image.h"

namespace marlit {

// Keys are ordered as unsigned 64-bit numbers (AddressOrder gives them).
class IntervalLookup {
 public:
  // A half-open range of keys and its record; an empty range holds nothing.
  struct Range {
    std::uint64_t Low = 0;
    std::uint64_t High = 0;
    std::int32_t Record = 0;
  };

  IntervalLookup() = default;
  // ranges are given in the order they are tested: where several hold a key, the earliest wins.
  explicit IntervalLookup(std::span<const Range> ranges);

  // The record of the first range that holds key; -1 when none does.
  [[nodiscard]] std::int32_t Find(std::uint64_t key) const;
  [[nodiscard]] std::size_t IntervalCount() const { return starts_.size(); }

 private:
  std::vector<std::uint64_t> starts_;  // interval k is [starts_[k], starts_[k + 1])
  std::vector<std::int32_t> holders_;
};

struct TranslationIndex {
  IntervalLookup FromOffset;
  IntervalLookup FromAddress;
  // Each record's 1-based rank among the included records; 0 for the others.
  std::vector<std::int32_t> Positions;
  // The records it was built from, so that a copy of the image builds its own.
  const SectionRecord* Records = nullptr;
  std::size_t Count = 0;
};

[[nodiscard]] TranslationIndex BuildTranslationIndex(const PeImage& image);

// The image's lookup, built now when it has none or it was built for other records.
[[nodiscard]] const TranslationIndex& LookupOf(const PeImage& image);

}  // namespace marlit
