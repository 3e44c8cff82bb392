#pragma once
// The lookup behind translation, built once per table, view, set of Included flags, load address
// and choice of addresses with or without the base: each direction's ranges cut into disjoint
// intervals, each knowing the first record that holds it, found through a table of buckets, and
// what each direction reads of a record, by rank.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "pe/view/pe_image.h"

namespace marlit {

// Keys are ordered as unsigned 64-bit numbers (AddressOrder gives them). A table of buckets of
// equal width over the bounds answers by itself for the keys of a bucket that at most one interval
// start cuts, in one read; only the buckets that several starts cut search the starts. Its time
// does not grow with the count, and no branch depends on the key in a table of evenly spread
// ranges, so that the lookups of a batch overlap in the processor.
class IntervalLookup {
 public:
  // A half-open range of keys and the rank of its record; an empty range holds nothing.
  struct Range {
    std::uint64_t Low = 0;
    std::uint64_t High = 0;
    std::uint32_t Position = 0;
  };

  IntervalLookup() : IntervalLookup(std::span<const Range>{}) {}
  // ranges are given in the order they are tested: where several hold a key, the earliest wins.
  explicit IntervalLookup(std::span<const Range> ranges);

  // The rank of the first record whose range holds key; 0 when none does.
  [[nodiscard]] std::uint32_t Find(std::uint64_t key) const;
  // The same, with the end of the interval of key: the first key after it that another record,
  // or none, holds. For reads of the file's tables, not for translation's keys.
  struct Hit {
    std::uint32_t Position = 0;
    std::uint64_t End = 0;
  };
  [[nodiscard]] Hit FindWithEnd(std::uint64_t key) const;
  [[nodiscard]] std::size_t IntervalCount() const { return starts_.size(); }

 private:
  // A bucket that at most one interval start cuts: keys below Split, counted from the bucket's
  // first key, are held by Holders[0], the others by Holders[1] (ranks). A bucket that several
  // starts cut says so by Split == kSearch and gives the first and last interval it touches.
  struct Bucket {
    std::array<std::uint32_t, 2> Holders{};
    std::uint32_t Split = 0;
  };
  static constexpr std::uint32_t kSearch = 0xFFFFFFFF;

  void BuildBuckets();
  [[nodiscard]] std::size_t SearchedBuckets(unsigned shift) const;
  [[nodiscard]] std::size_t Search(std::size_t first, std::size_t last,
                                   std::uint64_t fromFirst) const;

  // Interval k is [first_ + starts_[k], first_ + starts_[k + 1]) and the record of rank
  // holders_[k] holds it; the last interval holds nothing. Counted from the first start, a key
  // before it wraps past the last one, so that it needs no test of its own.
  std::uint64_t first_ = 0;
  std::vector<std::uint64_t> starts_;
  std::vector<std::uint32_t> holders_;
  // Bucket b covers the keys from first_ + b << shift_ on; the last bucket, outside_, of no
  // record, is where keys past the buckets go.
  std::vector<Bucket> buckets_;
  std::size_t outside_ = 0;
  unsigned shift_ = 0;
};

// The indices 0 .. count - 1 of records or extents in the order a direction tests them: record 0,
// the headers, first or last, the sections in table order.
[[nodiscard]] std::vector<std::size_t> TestOrder(std::size_t count, HeaderTurn header);

// What a file offset needs of its record: what is added to it. In a PE32+ image, the 64-bit
// pattern RamMin - FileMin, less the base when addresses are without it; in a PE32 image, the
// 32-bit delta in force (RamDelta or RvaDelta), whose sum is checked.
struct OffsetAnswer {
  std::int64_t Shift = 0;
};

// What a memory address (with the base) needs of its record: where its memory starts, how much of
// it has file bytes, and, in a PE32+ image, its FileMin, in a PE32 one the 32-bit delta in force.
struct AddressAnswer {
  std::uint64_t RamMin = 0;
  std::uint32_t FileLength = 0;
  std::int32_t Back = 0;
};

struct TranslationIndex {
  IntervalLookup FromOffset;
  IntervalLookup FromAddress;
  // By rank; the first entry, of none, is all 0, so that a caller can compute before it looks
  // at the rank.
  std::vector<OffsetAnswer> OffsetAnswers;
  std::vector<AddressAnswer> AddressAnswers;
  // The index in the table of the included record of each rank; the first entry, of none, unused.
  std::vector<std::uint32_t> RecordOfRank;
  // What it was built for besides the records, which are not compared: whoever writes them calls
  // TableChanged. A copy of the image shares it while its records are the same.
  struct Key {
    std::size_t Count = 0;
    bool OmitImageBase = false;
    std::int64_t Base = 0;
    friend bool operator==(const Key&, const Key&) = default;
  };
  Key BuiltFor;
};

[[nodiscard]] TranslationIndex BuildTranslationIndex(const PeImage& image);

// The image's lookup, built now when it has none or it was built for other records.
[[nodiscard]] const TranslationIndex& LookupOf(const PeImage& image);

}  // namespace marlit
