#pragma once
// The PE files the cli tests translate on.

#include "tests/common/pe_builder.h"

namespace marlit::test {

// Image base 400000h: .text at 1000h (file 400h..1400h), .data at 2000h (file 1400h..1600h),
// .rdata at 3000h (file 1600h..1E00h).
inline PeBuilder SampleImage() {
  return PeBuilder()
      .ImageBase(0x400000)
      .AddSection(".text", 0x1000, 0x1000, 0x400)
      .AddSection(".data", 0x2000, 0x200, 0x1400)
      .AddSection(".rdata", 0x3000, 0x800, 0x1600);
}

// An image base so high that the header area's offsets past 1000h overflow when it is added.
inline PeBuilder HighBaseImage() {
  return PeBuilder().ImageBase(0x7FFFF000).AddSection(".text", 0, 0x100, 0x2000);
}

}  // namespace marlit::test
