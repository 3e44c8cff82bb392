#include "pe/view/overlap.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

namespace marlit {

namespace {

constexpr std::size_t kNameField = 8;
constexpr std::u16string_view kLineEnd = u"\r\n";
constexpr Text kClosingLine = u"         ～～～～ 請用「選擇區段」功能去除其中的非法區段 ～～～～";

struct WarningText {
  std::u16string_view boundOfI;
  std::u16string_view rangeOfJ;
};

// In the order of the tests: FileMin, FileMax, Ram Min, Ram Max of record i in the range of j.
constexpr WarningText kTexts[] = {
    {u"FileMin", u"FileOffset"},
    {u"FileMax", u"FileOffset"},
    {u"Ram Min", u"Ram Offset"},
    {u"Ram Max", u"Ram Offset"},
};

// The ranges of one kind (file or memory) of the included records, sorted by their start, with the
// highest end of every part of that order, so that the ranges holding a point are found without
// looking at the others.
template <typename T>
class RangeIndex {
 public:
  // mins and maxs hold the range of each included record, by its rank.
  RangeIndex(const std::vector<T>& mins, const std::vector<T>& maxs) {
    order_.resize(mins.size());
    std::iota(order_.begin(), order_.end(), std::size_t{0});
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::size_t a, std::size_t b) { return mins[a] < mins[b]; });
    for (const std::size_t k : order_) starts_.push_back(mins[k]);
    leaves_ = 1;
    while (leaves_ < order_.size()) leaves_ *= 2;
    highestEnd_.assign(2 * leaves_, std::numeric_limits<T>::lowest());
    for (std::size_t k = 0; k < order_.size(); ++k) highestEnd_[leaves_ + k] = maxs[order_[k]];
    for (std::size_t node = leaves_ - 1; node >= 1; --node) {
      highestEnd_[node] = std::max(highestEnd_[2 * node], highestEnd_[2 * node + 1]);
    }
  }

  // Adds (rank, test) for every range with start <= point < end, or start < point < end when the
  // start must lie strictly below.
  void Holding(T point, bool strictStart, std::size_t test,
               std::vector<std::pair<std::size_t, std::size_t>>& hits) const {
    const auto last = strictStart ? std::lower_bound(starts_.begin(), starts_.end(), point)
                                  : std::upper_bound(starts_.begin(), starts_.end(), point);
    Collect(1, 0, leaves_, static_cast<std::size_t>(last - starts_.begin()), point, test, hits);
  }

 private:
  void Collect(std::size_t node, std::size_t from, std::size_t to, std::size_t started, T point,
               std::size_t test, std::vector<std::pair<std::size_t, std::size_t>>& hits) const {
    if (from >= started || !(point < highestEnd_[node])) return;
    if (node >= leaves_) {
      hits.emplace_back(order_[from], test);
      return;
    }
    const std::size_t middle = from + (to - from) / 2;
    Collect(2 * node, from, middle, started, point, test, hits);
    Collect(2 * node + 1, middle, to, started, point, test, hits);
  }

  std::vector<std::size_t> order_;  // ranks of the included records, by range start
  std::vector<T> starts_;
  std::size_t leaves_ = 1;
  std::vector<T> highestEnd_;  // a tree over order_: node k covers nodes 2k and 2k + 1
};

std::u16string NameField(std::u16string_view name) {
  std::u16string field(ShownName(name));
  if (field.size() < kNameField) field.append(kNameField - field.size(), u' ');
  return field;
}

void AppendWarning(std::u16string& text, const SectionRecord& i, const SectionRecord& j,
                   const WarningText& words) {
  text += FillIn(Translate(u"★ 區段「%1」的 %2 和區段「%3」的 %4 部分重疊 ★"),
                 {NameField(i.Name), words.boundOfI, NameField(j.Name), words.rangeOfJ});
  text += kLineEnd;
}

}  // namespace

std::vector<Overlap> FindOverlaps(const PeImage& image, std::size_t limit) {
  std::vector<std::size_t> records;
  std::vector<const SectionRecord*> included;
  const std::span<const SectionRecord> all = Records(image);
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!all[i].Included) continue;
    records.push_back(i);
    included.push_back(&all[i]);
  }

  // Memory ranges are compared in the order of the image's addresses: unsigned in a PE32+ image.
  std::vector<std::int32_t> fileMin, fileMax;
  std::vector<std::uint64_t> ramMin, ramMax;
  for (const SectionRecord* r : included) {
    fileMin.push_back(r->FileMin);
    fileMax.push_back(r->FileMax);
    ramMin.push_back(AddressOrder(image.Kind, r->RamMin));
    ramMax.push_back(AddressOrder(image.Kind, r->RamMax));
  }
  const RangeIndex file(fileMin, fileMax);
  const RangeIndex ram(ramMin, ramMax);
  std::vector<Overlap> found;
  std::vector<std::pair<std::size_t, std::size_t>> hits;  // (rank of j, test)
  for (std::size_t i = 0; i < included.size() && found.size() < limit; ++i) {
    hits.clear();
    // A record without file bytes (a section the loader's view fills with zeros) has no file
    // bounds to lie in another's range; in the raw view every included section has file bytes.
    if (fileMin[i] != fileMax[i]) {
      file.Holding(fileMin[i], false, 0, hits);
      file.Holding(fileMax[i], true, 1, hits);
    }
    ram.Holding(ramMin[i], false, 2, hits);
    ram.Holding(ramMax[i], true, 3, hits);
    // The lines of one record come by the other record's place in the table, then by test.
    std::sort(hits.begin(), hits.end());
    for (const auto& [j, test] : hits) {
      if (j == i) continue;
      if (found.size() == limit) break;
      found.push_back(Overlap{records[i], records[j], test});
    }
  }
  return found;
}

std::u16string OverlapReport(const PeImage& image) {
  const std::vector<Overlap> overlaps = FindOverlaps(image, kMaxOverlapLines + 1);
  std::u16string text;
  for (std::size_t k = 0; k < overlaps.size() && k < kMaxOverlapLines; ++k) {
    const Overlap& o = overlaps[k];
    AppendWarning(text, image.Sections[o.i], image.Sections[o.j], kTexts[o.test]);
  }
  if (text.empty()) return text;
  if (overlaps.size() > kMaxOverlapLines) {
    text += kOverlapCutLine;
    text += kLineEnd;
  }
  text += kLineEnd;
  text += kLineEnd;
  text += kClosingLine;
  return text;
}

}  // namespace marlit
