#include "pe/section_choice.h"

namespace marlit {

void IncludeSection(PeImage& image, std::size_t index, bool included) {
  const std::span<SectionRecord> records = Records(image);
  if (index < records.size()) records[index].Included = included;
}

bool ExcludeSections(PeImage& image, std::u16string_view name) {
  bool found = false;
  for (SectionRecord& record : Records(image)) {
    if (record.Name == name) {
      record.Included = false;
      found = true;
    }
  }
  return found;
}

void OmitImageBase(PeImage& image, bool omit) { image.OmitImageBase = omit; }

std::int64_t AddressInMode(const PeImage& image, std::int64_t address) {
  if (!image.OmitImageBase) return address;
  // As a bit pattern: a narrow field shows its low 32 bits.
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(address) -
                                   static_cast<std::uint64_t>(image.ImageBase));
}

}  // namespace marlit
