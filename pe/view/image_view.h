#pragma once
// The views of an image: the records that the raw header fields give in the raw view and in the
// loader's view, at a base in the image base's place, and the changes of view and load address.

#include <cstdint>
#include <vector>

#include "pe/view/pe_image.h"
#include "pe/read/raw_headers.h"

namespace marlit {

// The records of a view, record 0 ("檔案頭") first, with the view's default Included flags, and
// where the view tests record 0.
struct ViewTable {
  std::vector<SectionRecord> Records;
  HeaderTurn FromOffset = HeaderTurn::First;
  HeaderTurn FromAddress = HeaderTurn::First;
};

// The raw view: each section's memory range as long as its raw data; record 0 ends where the
// first section begins, and in memory no later than base + its file length.
[[nodiscard]] ViewTable BuildRawView(const RawImageHeaders& raw, ImageKind kind, std::int64_t base);
// The mapping the Windows loader makes: memory ranges rounded to SectionAlignment, file data
// from PointerToRawData rounded down to 200h, the rest of each section zero-filled.
[[nodiscard]] ViewTable BuildLoaderView(const RawImageHeaders& raw, ImageKind kind,
                                        std::int64_t base);
// One record of the loader's view in RVAs, before a base is added: memory [Rva, Rva + MemorySize),
// whose first FileSize bytes come from the file at FileStart and the rest is zero-filled.
struct LoaderExtent {
  std::uint64_t Rva = 0;
  std::uint64_t MemorySize = 0;
  std::uint64_t FileStart = 0;
  std::uint64_t FileSize = 0;
};
// The loader's view of the raw fields at no base: the headers first, then the sections in table
// order, and where the view tests the headers. It cannot overflow.
struct LoaderLayout {
  std::vector<LoaderExtent> Extents;
  HeaderTurn FromOffset = HeaderTurn::Last;
  HeaderTurn FromAddress = HeaderTurn::First;
};
[[nodiscard]] LoaderLayout BuildLoaderLayout(const RawImageHeaders& raw);

// Either, by view. Each raises OverflowError when a record leaves the image's ranges at base
// (a PE32 base is 32-bit signed); every sum is checked as the loader checks the raw view's.
[[nodiscard]] ViewTable BuildView(const RawImageHeaders& raw, ImageKind kind, MappingView view,
                                  std::int64_t base);

// Overflowed: a record does not fit at the base asked for ("溢出！請填寫正確的數值。"); the
// image is unchanged then.
enum class ViewChange { Done, Overflowed };

// Puts view and load address in force together, rebuilding the records from the raw fields. The
// Included flags become the view's defaults when the view changes and are kept otherwise. Before
// any table is in force only the view is taken.
[[nodiscard]] ViewChange SetViewAndLoadAddress(PeImage& image, MappingView view,
                                               std::int64_t loadAddress);
[[nodiscard]] ViewChange SetView(PeImage& image, MappingView view);
[[nodiscard]] ViewChange SetLoadAddress(PeImage& image, std::int64_t loadAddress);

// A load address other than the file's image base is in force.
[[nodiscard]] inline bool Rebased(const PeImage& image) {
  return BaseInForce(image) != image.ImageBase;
}

}  // namespace marlit
