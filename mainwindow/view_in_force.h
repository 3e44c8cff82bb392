#pragma once
// The line under the converter that names the view and the base in force, so that answers at a
// load address or in the loader's mapping are never taken for the file's own.

#include <string>

#include "pe/panel/number_text.h"
#include "pe/view/pe_image.h"

namespace marlit {

struct ViewInForce {
  // Empty before any table is in force.
  std::u16string Text;
  // The view or the base differs from the defaults (the raw view at the file's image base).
  bool Unusual = false;
};

// The numbers are written in radix, as the fields are.
[[nodiscard]] ViewInForce DescribeViewInForce(const PeImage& image, Radix radix);

}  // namespace marlit
