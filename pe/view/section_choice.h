#pragma once
// What the section dialog and marlit-cli's options choose: the records that take part in
// translation, and whether memory addresses are given with the image base (VA) or without it
// (RVA).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pe/view/pe_image.h"

namespace marlit {

// Includes record index, one that exists, in translation or leaves it out.
void IncludeSection(PeImage& image, std::size_t index, bool included);
// Leaves out every record named name; false when no record has that name.
[[nodiscard]] bool ExcludeSections(PeImage& image, std::u16string_view name);
// Gives memory addresses without the image base (RVA) when omit is true, with it (VA) otherwise.
void OmitImageBase(PeImage& image, bool omit);
// A record's memory address as the answers give it: as it is, or without the base in force (its
// RVA) when omitImageBase. The section dialog shows the boundaries of the option it shows.
[[nodiscard]] std::int64_t AddressInMode(const PeImage& image, std::int64_t address,
                                         bool omitImageBase);
// The same in the mode in force.
[[nodiscard]] inline std::int64_t AddressInMode(const PeImage& image, std::int64_t address) {
  return AddressInMode(image, address, image.OmitImageBase);
}

}  // namespace marlit
