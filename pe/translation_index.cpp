#include "pe/translation_index.h"

#include <algorithm>
#include <bit>
#include <queue>
#include <utility>

namespace marlit {

namespace {

using Range = IntervalLookup::Range;

// The records in the order a direction tests them: record 0 first or last, the sections in table
// order. Excluded records are not tested.
std::vector<std::size_t> TestOrder(std::span<const SectionRecord> records, HeaderTurn header) {
  std::vector<std::size_t> order;
  order.reserve(records.size());
  const bool headerLast = header == HeaderTurn::Last;
  for (std::size_t i = headerLast ? 1 : 0; i < records.size(); ++i) {
    if (records[i].Included) order.push_back(i);
  }
  if (headerLast && !records.empty() && records[0].Included) order.push_back(0);
  return order;
}

std::vector<Range> OffsetRanges(std::span<const SectionRecord> records, HeaderTurn header) {
  std::vector<Range> ranges;
  for (const std::size_t i : TestOrder(records, header)) {
    ranges.push_back({AddressOrder(ImageKind::Pe32, records[i].FileMin),
                      AddressOrder(ImageKind::Pe32, records[i].FileMax),
                      static_cast<std::int32_t>(i)});
  }
  return ranges;
}

std::vector<Range> AddressRanges(std::span<const SectionRecord> records, HeaderTurn header,
                                 ImageKind kind) {
  std::vector<Range> ranges;
  for (const std::size_t i : TestOrder(records, header)) {
    ranges.push_back({AddressOrder(kind, records[i].RamMin), AddressOrder(kind, records[i].RamMax),
                      static_cast<std::int32_t>(i)});
  }
  return ranges;
}

}  // namespace

IntervalLookup::IntervalLookup(std::span<const Range> ranges,
                               std::span<const RecordFields> fields) {
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
    const std::int32_t holder = open.empty() ? -1 : ranges[open.top()].Record;
    if (!intervals_.empty() && intervals_.back().Holder == holder) continue;
    intervals_.push_back(
        {bound, holder, holder < 0 ? RecordFields{} : fields[static_cast<std::size_t>(holder)]});
  }
  BuildBuckets();
}

void IntervalLookup::BuildBuckets() {
  if (intervals_.empty()) return;
  // About one bucket per interval: the span's width in bits less the count's.
  const std::uint64_t span = intervals_.back().Start - intervals_.front().Start;
  const auto countBits = static_cast<unsigned>(std::bit_width(intervals_.size()));
  shift_ = std::max<unsigned>(static_cast<unsigned>(std::bit_width(span)), countBits) - countBits;
  const std::uint64_t bucketCount = (span >> shift_) + 1;
  buckets_.resize(static_cast<std::size_t>(bucketCount) + 1);
  std::uint32_t k = 0;
  for (std::uint64_t b = 0; b < bucketCount; ++b) {
    const std::uint64_t first = intervals_.front().Start + (b << shift_);
    while (k + 1 < intervals_.size() && intervals_[k + 1].Start <= first) ++k;
    buckets_[static_cast<std::size_t>(b)] = k;
  }
  buckets_.back() = static_cast<std::uint32_t>(intervals_.size() - 1);
}

std::optional<std::size_t> IntervalLookup::IntervalOf(std::uint64_t key) const {
  if (intervals_.empty() || key < intervals_.front().Start || key >= intervals_.back().Start) {
    return std::nullopt;
  }
  const std::uint64_t bucket = (key - intervals_.front().Start) >> shift_;
  // The interval of key lies from the bucket's first one to the next bucket's first one.
  auto first = intervals_.begin() + buckets_[static_cast<std::size_t>(bucket)];
  const auto last = intervals_.begin() + buckets_[static_cast<std::size_t>(bucket) + 1] + 1;
  while (first + 1 < last && (first + 1)->Start <= key) {
    if (last - first > 8) {
      first = std::upper_bound(first, last, key,
                               [](std::uint64_t k, const Interval& i) { return k < i.Start; }) -
              1;
      break;
    }
    ++first;
  }
  return static_cast<std::size_t>(first - intervals_.begin());
}

const RecordFields* IntervalLookup::Find(std::uint64_t key) const {
  const std::optional<std::size_t> k = IntervalOf(key);
  if (!k || intervals_[*k].Holder < 0) return nullptr;
  return &intervals_[*k].Fields;
}

IntervalLookup::Hit IntervalLookup::FindWithEnd(std::uint64_t key) const {
  const std::optional<std::size_t> k = IntervalOf(key);
  if (!k || intervals_[*k].Holder < 0) return {};
  return {&intervals_[*k].Fields, intervals_[*k + 1].Start};
}

TranslationIndex BuildTranslationIndex(const PeImage& image) {
  const std::span<const SectionRecord> records = Records(image);
  std::vector<RecordFields> fields(records.size());
  std::int32_t rank = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const SectionRecord& r = records[i];
    if (r.Included) fields[i] = {r.RamMin, r.RamDelta, r.RvaDelta, r.FileMin, r.FileMax, ++rank};
  }
  TranslationIndex index;
  index.FromOffset = IntervalLookup(OffsetRanges(records, image.HeaderFromOffset), fields);
  index.FromAddress =
      IntervalLookup(AddressRanges(records, image.HeaderFromAddress, image.Kind), fields);
  index.Records = records.data();
  index.Count = records.size();
  return index;
}

const TranslationIndex& LookupOf(const PeImage& image) {
  const std::span<const SectionRecord> records = Records(image);
  if (image.Lookup == nullptr || image.Lookup->Records != records.data() ||
      image.Lookup->Count != records.size()) {
    image.Lookup = std::make_shared<const TranslationIndex>(BuildTranslationIndex(image));
  }
  return *image.Lookup;
}

}  // namespace marlit
