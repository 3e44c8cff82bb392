#pragma once
// The lookup behind translation, built once per table, view, set of Included flags and load
// address: each direction's ranges cut into disjoint intervals, each knowing the first record that
// holds it, found through a table of buckets.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pe/pe_image.h"

namespace marlit {

// What translation reads of the record that holds an interval, kept in the interval itself so
// that a lookup touches one small entry.
struct RecordFields {
  std::int64_t RamMin = 0;
  std::int64_t RamDelta = 0;
  std::int64_t RvaDelta = 0;
  std::int32_t FileMin = 0;
  std::int32_t FileMax = 0;
  // The 1-based rank among the included records; 0 in the intervals that no record holds.
  std::int32_t Position = 0;
};

// Keys are ordered as unsigned 64-bit numbers (AddressOrder gives them). A table of buckets of
// equal width over the bounds points at the first interval of each, so that a search looks at the
// few intervals of one bucket instead of the whole list: its time does not grow with the count.
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
  // fields are the records' fields, by record.
  IntervalLookup(std::span<const Range> ranges, std::span<const RecordFields> fields);

  // The fields of the first record whose range holds key; null when none does.
  [[nodiscard]] const RecordFields* Find(std::uint64_t key) const;
  // The same, with the end of the interval of key: the first key after it that another record,
  // or none, holds.
  struct Hit {
    const RecordFields* Fields = nullptr;
    std::uint64_t End = 0;
  };
  [[nodiscard]] Hit FindWithEnd(std::uint64_t key) const;
  [[nodiscard]] std::size_t IntervalCount() const { return intervals_.size(); }

 private:
  // Interval k is [intervals_[k].Start, intervals_[k + 1].Start); the last one holds nothing.
  struct Interval {
    std::uint64_t Start = 0;
    std::int32_t Holder = -1;
    RecordFields Fields;
  };
  void BuildBuckets();
  // The index of the interval that holds key; none before the first or from the last on.
  [[nodiscard]] std::optional<std::size_t> IntervalOf(std::uint64_t key) const;

  std::vector<Interval> intervals_;
  // Bucket b covers keys from the first start + b << shift_; it holds the interval its first key
  // lies in. One more entry closes the last bucket.
  std::vector<std::uint32_t> buckets_;
  unsigned shift_ = 0;
};

struct TranslationIndex {
  IntervalLookup FromOffset;
  IntervalLookup FromAddress;
  // The records it was built from, so that a copy of the image builds its own.
  const SectionRecord* Records = nullptr;
  std::size_t Count = 0;
};

[[nodiscard]] TranslationIndex BuildTranslationIndex(const PeImage& image);

// The image's lookup, built now when it has none or it was built for other records.
[[nodiscard]] const TranslationIndex& LookupOf(const PeImage& image);

}  // namespace marlit
