#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "pe/pe_image.h"

namespace marlit {

// A file of thousands of overlapping sections would give millions of lines; the report stops
// after this many warnings and says so in one more line.
inline constexpr std::size_t kMaxOverlapLines = 500;
inline constexpr std::u16string_view kOverlapCutLine = u"★ 重疊的區段太多，其餘的重疊不再列出 ★";

// The overlap warnings of every pair of included records, each line ending in CR LF, followed by
// two more CR LF pairs and the closing line; the empty text when nothing overlaps.
[[nodiscard]] std::u16string OverlapReport(const PeImage& image);

}  // namespace marlit
