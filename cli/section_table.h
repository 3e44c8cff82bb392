#pragma once
// marlit-cli's answer when no value is given: the section table.

#include <ostream>

#include "pe/panel/number_text.h"
#include "pe/view/pe_image.h"

namespace marlit::cli {

// The kind of image, the image base and a row per record, tab-separated or as one JSON object,
// with the numbers in radix and the memory addresses in the mode in force.
void PrintSectionTable(const PeImage& image, Radix radix, bool json, std::ostream& out);

}  // namespace marlit::cli
