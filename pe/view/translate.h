#pragma once

#include <cstdint>
#include <optional>

#include "pe/view/pe_image.h"

namespace marlit {

// Where a value landed: in no included record, in a record and translated, or in a record's
// memory that the loader zero-fills, which has no file offset.
enum class Landing { NotInSection, Mapped, ZeroFilled };

struct Translation {
  // The 1-based rank of the holding record among the included ones (its item in the section
  // list); 0 when no included record holds the value.
  std::int32_t Position = 0;
  Landing Where = Landing::NotInSection;
  // The translated value; 0 unless Mapped.
  std::int64_t Value = 0;
};

// A file offset (32-bit signed) into the memory address of the view in force: with the base in
// force, or without it (the RVA) when OmitImageBase is set. The first included record holding it
// in the view's order answers. Overflow raises OverflowError.
[[nodiscard]] Translation TranslateFileOffset(const PeImage& image, std::int64_t offset);
// A memory address (with or without the base as OmitImageBase says; a PE32+ address is its
// unsigned 64-bit pattern) into the file offset, or ZeroFilled where the holding record has no
// file byte for it.
[[nodiscard]] Translation TranslateAddress(const PeImage& image, std::int64_t address);

// Translate value in place (file offset -> memory address, and back). The result is the 1-based
// rank of the holding record among the included ones, which is its item in the section list;
// 0, with value set to 0, when no included record holds it. A memory address of a PE32+ image is
// its unsigned 64-bit pattern; a file offset, and an address of a PE32 image, a 32-bit signed
// value. Overflow raises OverflowError. A zero-filled address, which only the loader's view has,
// gives its record's rank and value 0: callers of that view use TranslateAddress.
[[nodiscard]] std::int32_t FileToRam(const PeImage& image, std::int64_t& value);
[[nodiscard]] std::int32_t RamToFile(const PeImage& image, std::int64_t& value);

// An address in the mode in force with the base, as the records hold it; none where adding the
// base leaves the image's addresses, so that no record holds it. A PE32 address is added in 64
// bits, where it cannot wrap and RamMin - ImageBase is compared as it stands.
[[nodiscard]] std::optional<std::int64_t> AddressWithBase(const PeImage& image,
                                                          std::int64_t address);

// The records or their Included flags were written directly: translation builds its lookup again
// on its next use. The functions that change the view, the load address or a flag call it.
void TableChanged(const PeImage& image);

}  // namespace marlit
