#pragma once
// The image record of the loaded PE file and its section table.

#include <array>
#include <cstdint>
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
  // Counts the tables put in force. An analysis that is refused after its table replaced the old
  // one (a bad seek, reported at the end) still leaves it in force, so its callers tell by this.
  std::uint32_t TablesInForce = 0;
};

}  // namespace marlit
