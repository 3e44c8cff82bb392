#include "pe/translation_index.h"

#include <algorithm>
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
    const std::int32_t holder = open.empty() ? -1 : ranges[open.top()].Record;
    if (!holders_.empty() && holders_.back() == holder) continue;
    starts_.push_back(bound);
    holders_.push_back(holder);
  }
}

std::int32_t IntervalLookup::Find(std::uint64_t key) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), key);
  if (after == starts_.begin()) return -1;
  return holders_[static_cast<std::size_t>(after - starts_.begin() - 1)];
}

TranslationIndex BuildTranslationIndex(const PeImage& image) {
  const std::span<const SectionRecord> records = Records(image);
  TranslationIndex index;
  index.FromOffset = IntervalLookup(OffsetRanges(records, image.HeaderFromOffset));
  index.FromAddress = IntervalLookup(AddressRanges(records, image.HeaderFromAddress, image.Kind));
  index.Positions.resize(records.size());
  std::int32_t rank = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i].Included) index.Positions[i] = ++rank;
  }
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
