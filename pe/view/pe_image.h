#pragma once
// The image record of the loaded PE file and its section table.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe/read/raw_headers.h"

namespace marlit {

// A 32-bit image (PE32) or a 64-bit one (PE32+, optional header magic 20Bh).
enum class ImageKind { Pe32, Pe32Plus };

// One row of the section table. Ranges are half-open: FileMin <= v < FileMax, RamMin <= v < RamMax.
// File offsets are 32-bit signed in both kinds of image. Memory addresses are 32-bit signed in a
// PE32 image; in a PE32+ image they are unsigned 64-bit, held here as their bit pattern, so they
// are compared through AddressOrder.
struct SectionRecord {
  std::u16string Name;
  std::int64_t RamMin = 0;
  std::int64_t RamMax = 0;
  std::int32_t FileMin = 0;
  std::int32_t FileMax = 0;
  std::int64_t RamDelta = 0;  // RamMin - FileMin
  std::int64_t RvaDelta = 0;  // RamDelta - ImageBase
  bool Included = false;
};

// How the image is mapped: the section table as its fields stand (the raw view), or as the Windows
// loader maps it.
enum class MappingView { Raw, Loader };

// Where record 0, the headers, is tested for a value: before the sections or after them.
enum class HeaderTurn { First, Last };

struct TranslationIndex;
struct AddressFacts;

struct PeImage {
  // Records in Sections: the file's section count plus one for the header pseudo-section "檔案頭".
  std::int16_t SectionCount = 0;
  ImageKind Kind = ImageKind::Pe32;
  std::int64_t ImageBase = 0;
  std::vector<SectionRecord> Sections;
  // Memory addresses without the image base; only the section selection dialog sets it.
  bool OmitImageBase = false;
  // Counts the tables put in force; 0 while none has been.
  std::uint32_t TablesInForce = 0;
  // What the file says, kept so that a view can be rebuilt without the file.
  RawImageHeaders Raw;
  // The view that built Sections; it stays from one analysis to the next.
  MappingView View = MappingView::Raw;
  // The address the image was loaded at, in the image base's place in every record; none: the
  // file's own ImageBase. Each analysis starts from none.
  std::optional<std::int64_t> LoadAddress;
  // The order in which the view tests record 0, from a file offset and from a memory address.
  HeaderTurn HeaderFromOffset = HeaderTurn::First;
  HeaderTurn HeaderFromAddress = HeaderTurn::First;
  // What describes addresses (directories, exports, base relocations), read by the analysis
  // that put the table in force and kept with it.
  std::shared_ptr<const AddressFacts> Facts;
  // The lookup that translation builds from the records; dropped by TableChanged.
  mutable std::shared_ptr<const TranslationIndex> Lookup;
};

// The base that the records hold: the load address in force, or the file's image base.
[[nodiscard]] inline std::int64_t BaseInForce(const PeImage& image) {
  return image.LoadAddress.value_or(image.ImageBase);
}

// The 64-bit pattern of a value, for sums and differences that wrap as addresses do.
[[nodiscard]] constexpr std::uint64_t Pattern(std::int64_t v) {
  return static_cast<std::uint64_t>(v);
}

// A key that orders the memory addresses of an image of kind as the image orders them: signed in a
// PE32 image, unsigned in a PE32+ one.
[[nodiscard]] constexpr std::uint64_t AddressOrder(ImageKind kind, std::int64_t address) {
  const std::uint64_t pattern = Pattern(address);
  // Flipping the sign bit maps the signed order onto the unsigned one.
  return kind == ImageKind::Pe32Plus ? pattern : pattern ^ (std::uint64_t{1} << 63);
}

// The records that exist: 0 .. SectionCount - 1.
[[nodiscard]] inline std::span<const SectionRecord> Records(const PeImage& image) {
  const auto count = static_cast<std::size_t>(std::max<int>(image.SectionCount, 0));
  return {image.Sections.data(), std::min(count, image.Sections.size())};
}
[[nodiscard]] inline std::span<SectionRecord> Records(PeImage& image) {
  const auto count = static_cast<std::size_t>(std::max<int>(image.SectionCount, 0));
  return {image.Sections.data(), std::min(count, image.Sections.size())};
}

// The included record of the 1-based rank among the included ones, in table order: the record
// behind item rank of the section list. Null when there is none. Found through translation's
// lookup, in a time that does not grow with the rank.
[[nodiscard]] const SectionRecord* IncludedRecord(const PeImage& image, std::int32_t rank);

}  // namespace marlit
