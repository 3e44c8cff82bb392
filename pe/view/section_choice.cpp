#include "pe/view/section_choice.h"

#include "pe/view/translate.h"

namespace marlit {

void IncludeSection(PeImage& image, std::size_t index, bool included) {
  const std::span<SectionRecord> records = Records(image);
  if (index < records.size()) records[index].Included = included;
  TableChanged(image);
}

bool ExcludeSections(PeImage& image, std::u16string_view name) {
  bool found = false;
  for (SectionRecord& record : Records(image)) {
    if (record.Name == name) {
      record.Included = false;
      found = true;
    }
  }
  TableChanged(image);
  return found;
}

void OmitImageBase(PeImage& image, bool omit) { image.OmitImageBase = omit; }

std::int64_t AddressInMode(const PeImage& image, std::int64_t address, bool omitImageBase) {
  if (!omitImageBase) return address;
  // A PE32 address is 32 bits wide; a PE32+ one is its unsigned 64-bit pattern.
  const std::uint64_t rva =
      static_cast<std::uint64_t>(address) - static_cast<std::uint64_t>(BaseInForce(image));
  if (image.Kind == ImageKind::Pe32Plus) return static_cast<std::int64_t>(rva);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(rva));
}

}  // namespace marlit
