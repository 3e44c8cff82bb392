// The raw view: the section table as its fields stand.
#include <limits>

#include "pe/view/image_view.h"
#include "platform/checked.h"

namespace marlit {

namespace {

constexpr std::int32_t kNoMinimum = std::numeric_limits<std::int32_t>::max();
constexpr std::uint64_t kLargestOffset = std::numeric_limits<std::int32_t>::max();

// The fields of a PE32 image are read as 32-bit signed numbers.
std::int32_t Signed(std::uint32_t field) { return static_cast<std::int32_t>(field); }

void FillHeaderRecord(SectionRecord& record, std::int64_t base) {
  record.Name = u"檔案頭";
  record.RamMin = base;
  record.FileMin = 0;
  record.RamDelta = base;
  record.RvaDelta = 0;
  record.Included = true;
}

// A section has no file range where PointerToRawData or SizeOfRawData is 0.
bool HasFileRange(const RawSectionHeader& raw) {
  return raw.PointerToRawData != 0 && raw.SizeOfRawData != 0;
}

void FillSectionRecord(SectionRecord& record, const RawSectionHeader& raw, std::int32_t base) {
  record.Included = HasFileRange(raw);
  const std::int32_t ramMin = CheckedAdd(Signed(raw.VirtualAddress), base);
  record.RamMin = ramMin;
  record.RamMax = CheckedAdd(ramMin, Signed(raw.SizeOfRawData));
  record.FileMin = Signed(raw.PointerToRawData);
  record.FileMax = CheckedAdd(Signed(raw.SizeOfRawData), Signed(raw.PointerToRawData));
  record.RamDelta = CheckedSub(ramMin, Signed(raw.PointerToRawData));
  record.RvaDelta = CheckedSub(Signed(raw.VirtualAddress), Signed(raw.PointerToRawData));
}

// A PE32+ section: its fields are unsigned, its file range stays within the 32-bit signed
// offsets, its RVA range within 32 bits and its memory range within 64 bits.
void FillWideSectionRecord(SectionRecord& record, const RawSectionHeader& raw, std::uint64_t base) {
  record.Included = HasFileRange(raw);
  const std::uint64_t fileMax = std::uint64_t{raw.PointerToRawData} + raw.SizeOfRawData;
  const std::uint64_t rvaMax = std::uint64_t{raw.VirtualAddress} + raw.SizeOfRawData;
  std::uint64_t ramMin = 0;
  std::uint64_t ramMax = 0;
  if (fileMax > kLargestOffset || rvaMax > kLargestRva ||
      __builtin_add_overflow(base, raw.VirtualAddress, &ramMin) ||
      __builtin_add_overflow(ramMin, raw.SizeOfRawData, &ramMax)) {
    throw OverflowError("section range out of range");
  }
  record.RamMin = static_cast<std::int64_t>(ramMin);
  record.RamMax = static_cast<std::int64_t>(ramMax);
  record.FileMin = static_cast<std::int32_t>(raw.PointerToRawData);
  record.FileMax = static_cast<std::int32_t>(fileMax);
  record.RamDelta = static_cast<std::int64_t>(ramMin - raw.PointerToRawData);
  record.RvaDelta = std::int64_t{raw.VirtualAddress} - std::int64_t{raw.PointerToRawData};
}

// base + the header's file length, where the image's addresses reach it.
std::optional<std::int64_t> HeaderFileEnd(ImageKind kind, std::int64_t base, std::int32_t fileMax) {
  if (kind == ImageKind::Pe32) return base + fileMax;
  std::uint64_t end = 0;
  if (__builtin_add_overflow(static_cast<std::uint64_t>(base),
                             static_cast<std::uint64_t>(std::int64_t{fileMax}), &end)) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(end);
}

// Record 0 ends where the first section begins, in the file and in memory, and in memory no later
// than its file range reaches: an address past the headers' bytes is not a header byte. A section
// without file data (PointerToRawData 0) says nothing about where the headers end, so it is left
// out of the file minimum; otherwise the header bytes would translate to nothing.
void FinishHeaderRecord(std::vector<SectionRecord>& table, ImageKind kind) {
  std::int32_t lowestFile = kNoMinimum;
  // The highest address of the kind: 2147483647, or 2^64 - 1 as its pattern.
  std::int64_t lowestRam = kind == ImageKind::Pe32Plus ? -1 : std::int64_t{kNoMinimum};
  for (std::size_t j = 1; j < table.size(); ++j) {
    if (table[j].FileMin != 0 && table[j].FileMin < lowestFile) lowestFile = table[j].FileMin;
    if (AddressOrder(kind, table[j].RamMin) < AddressOrder(kind, lowestRam)) {
      lowestRam = table[j].RamMin;
    }
  }
  table[0].FileMax = lowestFile;
  const std::optional<std::int64_t> fileEnd = HeaderFileEnd(kind, table[0].RamMin, lowestFile);
  if (fileEnd && AddressOrder(kind, *fileEnd) < AddressOrder(kind, lowestRam)) {
    lowestRam = *fileEnd;
  }
  table[0].RamMax = lowestRam;
}

}  // namespace

ViewTable BuildRawView(const RawImageHeaders& raw, ImageKind kind, std::int64_t base) {
  ViewTable view;
  std::vector<SectionRecord>& table = view.Records;
  table.resize(raw.Sections.size() + 1);
  if (kind == ImageKind::Pe32) base = CheckedNarrow<std::int32_t>(base);
  FillHeaderRecord(table[0], base);
  for (std::size_t i = 1; i < table.size(); ++i) {
    const RawSectionHeader& section = raw.Sections[i - 1];
    if (kind == ImageKind::Pe32Plus) {
      FillWideSectionRecord(table[i], section, static_cast<std::uint64_t>(base));
    } else {
      FillSectionRecord(table[i], section, static_cast<std::int32_t>(base));
    }
    if (i - 1 < raw.Names.size()) table[i].Name = raw.Names[i - 1];
  }
  FinishHeaderRecord(table, kind);
  return view;
}

}  // namespace marlit
