#include "pe/view/translation_index.h"

#include <algorithm>
#include <bit>
#include <queue>
#include <utility>

namespace marlit {

namespace {

using Range = IntervalLookup::Range;

// The rank of each included record among the included ones, in table order.
std::vector<std::uint32_t> Ranks(std::span<const SectionRecord> records) {
  std::vector<std::uint32_t> ranks(records.size());
  std::uint32_t rank = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i].Included) ranks[i] = ++rank;
  }
  return ranks;
}

std::vector<Range> OffsetRanges(std::span<const SectionRecord> records,
                                std::span<const std::uint32_t> ranks, HeaderTurn header) {
  std::vector<Range> ranges;
  for (const std::size_t i : TestOrder(records.size(), header)) {
    if (!records[i].Included) continue;
    ranges.push_back({AddressOrder(ImageKind::Pe32, records[i].FileMin),
                      AddressOrder(ImageKind::Pe32, records[i].FileMax), ranks[i]});
  }
  return ranges;
}

std::vector<Range> AddressRanges(std::span<const SectionRecord> records,
                                 std::span<const std::uint32_t> ranks, HeaderTurn header,
                                 ImageKind kind) {
  std::vector<Range> ranges;
  for (const std::size_t i : TestOrder(records.size(), header)) {
    if (!records[i].Included) continue;
    ranges.push_back(
        {AddressOrder(kind, records[i].RamMin), AddressOrder(kind, records[i].RamMax), ranks[i]});
  }
  return ranges;
}

}  // namespace

std::vector<std::size_t> TestOrder(std::size_t count, HeaderTurn header) {
  std::vector<std::size_t> order;
  order.reserve(count);
  if (count == 0) return order;
  if (header == HeaderTurn::First) order.push_back(0);
  for (std::size_t i = 1; i < count; ++i) order.push_back(i);
  if (header == HeaderTurn::Last) order.push_back(0);
  return order;
}

IntervalLookup::IntervalLookup(std::span<const Range> ranges) {
  // Each range's test turn, and the ranges by where they start.
  std::vector<std::pair<std::uint64_t, std::size_t>> byStart;
  std::vector<std::uint64_t> bounds;
  for (std::size_t turn = 0; turn < ranges.size(); ++turn) {
    if (ranges[turn].Low >= ranges[turn].High) continue;
    byStart.emplace_back(ranges[turn].Low, turn);
    bounds.push_back(ranges[turn].Low);
    bounds.push_back(ranges[turn].High);
  }
  std::sort(byStart.begin(), byStart.end());
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());

  // A sweep over the bounds with the open ranges by turn: the earliest one still open holds the
  // interval that starts at the bound. Ranges that ended leave when they reach the top.
  std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> open;
  std::size_t next = 0;
  for (const std::uint64_t bound : bounds) {
    for (; next < byStart.size() && byStart[next].first <= bound; ++next) {
      open.push(byStart[next].second);
    }
    while (!open.empty() && ranges[open.top()].High <= bound) open.pop();
    const std::uint32_t holder = open.empty() ? 0 : ranges[open.top()].Position;
    if (!holders_.empty() && holders_.back() == holder) continue;
    starts_.push_back(bound);
    holders_.push_back(holder);
  }
  if (starts_.empty()) {
    starts_.push_back(0);
    holders_.push_back(0);
  }
  first_ = starts_[0];
  for (std::uint64_t& start : starts_) start -= first_;
  BuildBuckets();
}

void IntervalLookup::BuildBuckets() {
  // At most one bucket per interval: the span's width in bits less the count's, or up to two bits
  // wider where few buckets would then need a search (ranges that alternate with gaps), so that
  // the buckets take less of the cache.
  const std::size_t last = starts_.size() - 1;
  const std::uint64_t span = starts_[last];
  const auto countBits = static_cast<unsigned>(std::bit_width(starts_.size()));
  const unsigned narrowest =
      std::max<unsigned>(static_cast<unsigned>(std::bit_width(span)), countBits) - countBits;
  shift_ = std::min(narrowest + 2, 63U);
  while (shift_ > narrowest && SearchedBuckets(shift_) * 8 > (span >> shift_) + 1) --shift_;
  const std::uint64_t bucketCount = (span >> shift_) + 1;
  outside_ = static_cast<std::size_t>(bucketCount);
  buckets_.resize(outside_ + 1);
  std::size_t k = 0;
  for (std::uint64_t b = 0; b < bucketCount; ++b) {
    const std::uint64_t bucketStart = b << shift_;
    while (k < last && starts_[k + 1] <= bucketStart) ++k;
    std::size_t end = k;
    while (end < last && starts_[end + 1] >> shift_ == b) ++end;
    Bucket& bucket = buckets_[static_cast<std::size_t>(b)];
    if (end == k) {
      bucket = {{holders_[k], holders_[k]}, 0};
    } else if (end == k + 1 && shift_ < 32) {
      bucket = {{holders_[k], holders_[end]},
                static_cast<std::uint32_t>(starts_[end] - bucketStart)};
    } else {
      bucket = {{static_cast<std::uint32_t>(k), static_cast<std::uint32_t>(end)}, kSearch};
    }
  }
}

// How many buckets of 1 << shift keys more than one interval start would cut, or one where the
// split would not fit in 32 bits.
std::size_t IntervalLookup::SearchedBuckets(unsigned shift) const {
  const std::uint64_t mask = (std::uint64_t{1} << shift) - 1;
  const std::size_t most = shift < 32 ? 1 : 0;
  std::size_t searched = 0;
  std::size_t inside = 0;
  for (std::size_t k = 1; k < starts_.size(); ++k) {
    const bool sameBucket = starts_[k] >> shift == starts_[k - 1] >> shift;
    inside = (sameBucket ? inside : 0) + ((starts_[k] & mask) != 0 ? 1 : 0);
    if (inside == most + 1) ++searched;
  }
  return searched;
}

// The last interval in first..last that starts at or before fromFirst, where the first one does;
// the halving runs as long for every key of the bucket, with no branch on the starts.
std::size_t IntervalLookup::Search(std::size_t first, std::size_t last,
                                   std::uint64_t fromFirst) const {
  for (std::size_t n = last - first + 1; n > 1;) {
    const std::size_t half = n / 2;
    first += half * static_cast<std::size_t>(starts_[first + half] <= fromFirst);
    n -= half;
  }
  return first;
}

std::uint32_t IntervalLookup::Find(std::uint64_t key) const {
  // Keys before the first start wrap past the last start, where no record holds them.
  const std::uint64_t fromFirst = key - first_;
  const Bucket& bucket = buckets_[std::min<std::uint64_t>(fromFirst >> shift_, outside_)];
  if (bucket.Split == kSearch) {
    return holders_[Search(bucket.Holders[0], bucket.Holders[1], fromFirst)];
  }
  // The holder is picked by an index, not a branch.
  const std::uint64_t intoBucket = fromFirst & ((std::uint64_t{1} << shift_) - 1);
  return bucket.Holders[static_cast<std::size_t>(intoBucket >= bucket.Split)];
}

IntervalLookup::Hit IntervalLookup::FindWithEnd(std::uint64_t key) const {
  const std::uint64_t fromFirst = key - first_;
  if (fromFirst >= starts_.back()) return {};
  const auto next = std::upper_bound(starts_.begin(), starts_.end(), fromFirst);
  const auto k = static_cast<std::size_t>(next - starts_.begin()) - 1;
  return {holders_[k], first_ + *next};
}

namespace {

TranslationIndex::Key KeyOf(const PeImage& image) {
  return {Records(image).size(), image.OmitImageBase, BaseInForce(image)};
}

// A PE32 image's sums are in 32 bits: the delta in force is kept as its low 32 bits.
std::int32_t DeltaInForce(const PeImage& image, const SectionRecord& r) {
  return static_cast<std::int32_t>(image.OmitImageBase ? r.RvaDelta : r.RamDelta);
}

OffsetAnswer OffsetAnswerOf(const PeImage& image, const SectionRecord& r) {
  if (image.Kind == ImageKind::Pe32) return {DeltaInForce(image, r)};
  // RamMin - base + (offset - FileMin), in 64-bit patterns.
  const std::int64_t base = image.OmitImageBase ? BaseInForce(image) : 0;
  return {static_cast<std::int64_t>(static_cast<std::uint64_t>(r.RamMin) -
                                    static_cast<std::uint64_t>(std::int64_t{r.FileMin}) -
                                    static_cast<std::uint64_t>(base))};
}

AddressAnswer AddressAnswerOf(const PeImage& image, const SectionRecord& r) {
  // A record with no file bytes has length 0, which zero-fills all of its memory.
  const std::int64_t fileLength = std::max<std::int64_t>(0, std::int64_t{r.FileMax} - r.FileMin);
  return {static_cast<std::uint64_t>(r.RamMin), static_cast<std::uint32_t>(fileLength),
          image.Kind == ImageKind::Pe32 ? DeltaInForce(image, r) : r.FileMin};
}

}  // namespace

TranslationIndex BuildTranslationIndex(const PeImage& image) {
  const std::span<const SectionRecord> records = Records(image);
  const std::vector<std::uint32_t> ranks = Ranks(records);
  TranslationIndex index;
  index.FromOffset = IntervalLookup(OffsetRanges(records, ranks, image.HeaderFromOffset));
  index.FromAddress =
      IntervalLookup(AddressRanges(records, ranks, image.HeaderFromAddress, image.Kind));
  index.OffsetAnswers.resize(1);
  index.AddressAnswers.resize(1);
  index.RecordOfRank.resize(1);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const SectionRecord& r = records[i];
    if (!r.Included) continue;
    index.OffsetAnswers.push_back(OffsetAnswerOf(image, r));
    index.AddressAnswers.push_back(AddressAnswerOf(image, r));
    index.RecordOfRank.push_back(static_cast<std::uint32_t>(i));
  }
  index.BuiltFor = KeyOf(image);
  return index;
}

const TranslationIndex& LookupOf(const PeImage& image) {
  const TranslationIndex* index = image.Lookup.get();
  if (index == nullptr || index->BuiltFor != KeyOf(image)) {
    image.Lookup = std::make_shared<const TranslationIndex>(BuildTranslationIndex(image));
  }
  return *image.Lookup;
}

}  // namespace marlit
