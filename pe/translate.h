#pragma once

#include <cstdint>

#include "pe/pe_image.h"

namespace marlit {

// Translate value in place (file offset -> memory address, and back). The result is the 1-based
// rank of the holding record among the included ones, which is its item in the section list;
// 0, with value set to 0, when no included record holds it. A memory address of a PE32+ image is
// its unsigned 64-bit pattern; a file offset, and an address of a PE32 image, a 32-bit signed
// value. Overflow raises OverflowError.
[[nodiscard]] std::int32_t FileToRam(const PeImage& image, std::int64_t& value);
[[nodiscard]] std::int32_t RamToFile(const PeImage& image, std::int64_t& value);

}  // namespace marlit
