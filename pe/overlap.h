#pragma once

#include <string>

#include "pe/pe_image.h"

namespace marlit {

// The overlap warnings of every pair of included records, each line ending in CR LF, followed by
// two more CR LF pairs and the closing line; the empty text when nothing overlaps.
[[nodiscard]] std::u16string OverlapReport(const PeImage& image);

}  // namespace marlit
