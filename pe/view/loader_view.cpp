// The loader's view: the image as the Windows loader maps it. Memory ranges are whole multiples of
// SectionAlignment; a section's file data starts at its PointerToRawData rounded down to 200h and
// covers no more than its raw size rounded up to the file alignment, its memory and the file; the
// rest of its memory is zero-filled. An image whose SectionAlignment is below a page is mapped
// flat.
#include <algorithm>

#include "pe/view/image_view.h"
#include "platform/checked.h"

namespace marlit {

namespace {

constexpr std::uint32_t kPageSize = 0x1000;
constexpr std::uint32_t kSectorSize = 0x200;
constexpr std::uint32_t kLargestFileAlignment = 0x10000;

std::uint64_t Up(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// The file alignment the loader rounds SizeOfRawData to: FileAlignment when it is a power of two
// from 200h to 10000h, else 200h.
std::uint64_t LoaderFileAlignment(std::uint32_t fileAlignment) {
  const bool powerOfTwo = fileAlignment != 0 && (fileAlignment & (fileAlignment - 1)) == 0;
  return powerOfTwo && fileAlignment >= kSectorSize && fileAlignment <= kLargestFileAlignment
             ? fileAlignment
             : kSectorSize;
}

// A section's memory size: VirtualSize, or SizeOfRawData when VirtualSize is 0, rounded up.
std::uint64_t MemorySize(const RawSectionHeader& s, std::uint64_t alignment) {
  return Up(s.VirtualSize != 0 ? s.VirtualSize : s.SizeOfRawData, alignment);
}

LoaderExtent StandardHeaders(const RawImageHeaders& raw) {
  return {0, Up(raw.SizeOfHeaders, raw.SectionAlignment), 0,
          std::min<std::uint64_t>(raw.SizeOfHeaders, raw.FileLength)};
}

LoaderExtent StandardSection(const RawImageHeaders& raw, const RawSectionHeader& s) {
  LoaderExtent m{s.VirtualAddress, MemorySize(s, raw.SectionAlignment), 0, 0};
  const std::uint64_t start = s.PointerToRawData & ~std::uint64_t{kSectorSize - 1};
  if (s.PointerToRawData == 0 || s.SizeOfRawData == 0 || start >= raw.FileLength) return m;
  m.FileSize = std::min({Up(s.SizeOfRawData, LoaderFileAlignment(raw.FileAlignment)), m.MemorySize,
                         raw.FileLength - start});
  if (m.FileSize != 0) m.FileStart = start;
  return m;
}

// The flat mapping: every offset below this is at the same RVA.
std::uint64_t FlatEnd(const RawImageHeaders& raw) {
  return std::min<std::uint64_t>(raw.FileLength, raw.SizeOfImage);
}

LoaderExtent FlatSection(const RawImageHeaders& raw, const RawSectionHeader& s) {
  LoaderExtent m{s.VirtualAddress, MemorySize(s, std::max<std::uint32_t>(raw.SectionAlignment, 1)),
                 0, 0};
  const std::uint64_t end = FlatEnd(raw);
  if (m.Rva < end) {
    m.FileStart = m.Rva;
    m.FileSize = std::min(m.Rva + m.MemorySize, end) - m.Rva;
  }
  return m;
}

// A PE32 record: every bound and delta 32-bit signed, checked.
void FillRecord32(SectionRecord& r, const LoaderExtent& m, std::int32_t base) {
  const auto rva = static_cast<std::int32_t>(static_cast<std::uint32_t>(m.Rva));
  const std::int32_t ramMin = CheckedAdd(rva, base);
  r.RamMin = ramMin;
  r.RamMax =
      CheckedNarrow<std::int32_t>(std::int64_t{ramMin} + static_cast<std::int64_t>(m.MemorySize));
  r.FileMin = CheckedNarrow<std::int32_t>(m.FileStart);
  r.FileMax = CheckedNarrow<std::int32_t>(m.FileStart + m.FileSize);
  r.RamDelta = CheckedSub(ramMin, r.FileMin);
  r.RvaDelta = CheckedSub(rva, r.FileMin);
}

// A PE32+ record: the RVA range within 32 bits, the memory range within 64 bits.
void FillRecord64(SectionRecord& r, const LoaderExtent& m, std::uint64_t base) {
  std::uint64_t ramMin = 0;
  std::uint64_t ramMax = 0;
  if (m.Rva + m.MemorySize > kLargestRva || __builtin_add_overflow(base, m.Rva, &ramMin) ||
      __builtin_add_overflow(ramMin, m.MemorySize, &ramMax)) {
    throw OverflowError("section range out of range");
  }
  r.RamMin = static_cast<std::int64_t>(ramMin);
  r.RamMax = static_cast<std::int64_t>(ramMax);
  r.FileMin = CheckedNarrow<std::int32_t>(m.FileStart);
  r.FileMax = CheckedNarrow<std::int32_t>(m.FileStart + m.FileSize);
  r.RamDelta = static_cast<std::int64_t>(ramMin - m.FileStart);
  r.RvaDelta = static_cast<std::int64_t>(m.Rva) - static_cast<std::int64_t>(m.FileStart);
}

void FillRecord(SectionRecord& r, const LoaderExtent& m, ImageKind kind, std::int64_t base) {
  if (kind == ImageKind::Pe32Plus) {
    FillRecord64(r, m, static_cast<std::uint64_t>(base));
  } else {
    FillRecord32(r, m, CheckedNarrow<std::int32_t>(base));
  }
  // The loader maps every section, those without file data too (all zero-filled).
  r.Included = true;
}

}  // namespace

LoaderLayout BuildLoaderLayout(const RawImageHeaders& raw) {
  const bool flat = raw.SectionAlignment < kPageSize;
  LoaderLayout layout;
  // From a memory address a standard image tests the headers first; from a file offset the
  // sections first, so that headers overlapping a section's data name the section. A flat image
  // gives the headers what no section holds.
  layout.FromOffset = HeaderTurn::Last;
  layout.FromAddress = flat ? HeaderTurn::Last : HeaderTurn::First;
  layout.Extents.reserve(raw.Sections.size() + 1);
  layout.Extents.push_back(flat ? LoaderExtent{0, FlatEnd(raw), 0, FlatEnd(raw)}
                                : StandardHeaders(raw));
  for (const RawSectionHeader& s : raw.Sections) {
    layout.Extents.push_back(flat ? FlatSection(raw, s) : StandardSection(raw, s));
  }
  return layout;
}

ViewTable BuildLoaderView(const RawImageHeaders& raw, ImageKind kind, std::int64_t base) {
  const LoaderLayout layout = BuildLoaderLayout(raw);
  ViewTable view;
  view.FromOffset = layout.FromOffset;
  view.FromAddress = layout.FromAddress;
  view.Records.resize(layout.Extents.size());
  for (std::size_t i = 0; i < view.Records.size(); ++i) {
    FillRecord(view.Records[i], layout.Extents[i], kind, base);
    if (i == 0) {
      view.Records[i].Name = u"檔案頭";
    } else if (i - 1 < raw.Names.size()) {
      view.Records[i].Name = raw.Names[i - 1];
    }
  }
  return view;
}

}  // namespace marlit
