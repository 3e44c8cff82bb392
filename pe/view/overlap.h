#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pe/view/pe_image.h"
#include "platform/translation.h"

namespace marlit {

// A file of thousands of overlapping sections would give millions of lines; the report stops
// after this many warnings and says so in one more line.
inline constexpr std::size_t kMaxOverlapLines = 500;
inline constexpr Text kOverlapCutLine = u"★ 重疊的區段太多，其餘的重疊不再列出 ★";

// One warning: a bound of record i (test 0 FileMin, 1 FileMax, 2 RamMin, 3 RamMax) lies in the
// range of record j; i and j are places in Sections.
struct Overlap {
  std::size_t i = 0;
  std::size_t j = 0;
  std::size_t test = 0;
  friend bool operator==(const Overlap&, const Overlap&) = default;
};

// The first limit warnings between included records, in the order of the report: by i, then by j,
// then by test. The pairs are found through the ranges sorted by their starts, so a table of
// thousands of sections costs little more than sorting it, plus the warnings it gives.
[[nodiscard]] std::vector<Overlap> FindOverlaps(const PeImage& image, std::size_t limit);

// The overlap warnings of every pair of included records, each line ending in CR LF, followed by
// two more CR LF pairs and the closing line; the empty text when nothing overlaps.
[[nodiscard]] std::u16string OverlapReport(const PeImage& image);

}  // namespace marlit
