#pragma once

#include <cstdint>

#include "pe/pe_image.h"

namespace marlit {

// Translate value in place (file offset -> memory address, and back). The result is the 1-based
// rank of the holding record among the included ones, which is its item in the section list;
// 0, with value set to 0, when no included record holds it. Overflow raises OverflowError.
[[nodiscard]] std::int32_t FileToRam(const PeImage& image, std::int32_t& value);
[[nodiscard]] std::int32_t RamToFile(const PeImage& image, std::int32_t& value);

}  // namespace marlit
