#pragma once
// The image record of the loaded PE file and its section table.

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace marlit {

// One row of the section table. Ranges are half-open: FileMin <= v < FileMax, RamMin <= v < RamMax.
struct SectionRecord {
  std::u16string Name;
  std::int32_t RamMin = 0;
  std::int32_t RamMax = 0;
  std::int32_t FileMin = 0;
  std::int32_t FileMax = 0;
  std::int32_t RamDelta = 0;  // RamMin - FileMin
  std::int32_t RvaDelta = 0;  // RamDelta - ImageBase
  bool Included = false;
};

struct PeImage {
  std::int32_t PeOffset = 0;
  std::int32_t PeSignature = 0;
  // Records in Sections: the file's section count plus one for the header pseudo-section "檔案頭".
  std::int16_t SectionCount = 0;
  std::int32_t ImageBase = 0;
  std::array<std::uint8_t, 40> SectionHeader{};
  std::vector<SectionRecord> Sections;
  std::int32_t FileLength = 0;
  std::u16string LoadError;
  // Memory addresses without the image base; only the section selection dialog sets it.
  bool OmitImageBase = false;
};

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
// behind item rank of the section list. Null when there is none.
[[nodiscard]] inline const SectionRecord* IncludedRecord(const PeImage& image, std::int32_t rank) {
  std::int32_t seen = 0;
  for (const SectionRecord& record : Records(image)) {
    if (record.Included && ++seen == rank) return &record;
  }
  return nullptr;
}

}  // namespace marlit
