#pragma once

#include "tests/common/pe_builder.h"

namespace marlit::test {

inline PeBuilder SampleImage() {
  PeBuilder b;
  b.ImageBase(0x400000)
      .AddSection(TestSection{".text", 0x1932, 0x1000, 0x1A00, 0x400})
      .AddSection(TestSection{".rdata", 0x6F4, 0x3000, 0x800, 0x1E00})
      .AddSection(TestSection{".data", 0x3B8, 0x4000, 0x400, 0x2600})
      .AddSection(TestSection{".rsrc", 0x520, 0x5000, 0x600, 0x2A00})
      .AddSection(TestSection{".bss", 0x1000, 0x6000, 0, 0});
  return b;
}

}  // namespace marlit::test
