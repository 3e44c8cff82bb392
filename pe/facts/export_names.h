#pragma once
// The exported functions of an image, by RVA, for naming the export at or before an address.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pe/read/bounded_reader.h"
#include "pe/facts/data_directories.h"
#include "pe/facts/rva_mapping.h"

namespace marlit {

// A half-open range of RVAs: Begin <= rva < End.
struct RvaRange {
  std::uint32_t Begin = 0;
  std::uint32_t End = 0;
};

class ExportNames {
 public:
  // No exports.
  ExportNames() = default;

  // The export directory read where mapping puts it. A corrupt directory (counts past the file,
  // more functions than 16-bit ordinals number, indices past the function table, names that are
  // unmapped, empty or without a NUL) gives no exports at all, so that no address is ever named
  // wrongly.
  [[nodiscard]] static ExportNames Read(BoundedReader& reader, const DataDirectories& directories,
                                        const RvaMapping& mapping);

  // The export with the greatest RVA at or below rva within section, which holds rva: "Name" when
  // rva is its first byte, "Name+HEX" otherwise; "#ORDINAL" in place of a name for a function
  // exported by ordinal only. None when no export of the section lies at or before rva.
  [[nodiscard]] std::optional<std::u16string> NameAt(std::uint32_t rva, RvaRange section) const;

  [[nodiscard]] std::size_t Count() const noexcept { return exports_.size(); }

 private:
  struct Export {
    std::uint32_t Rva = 0;
    std::u16string Label;  // the name, or "#ORDINAL"
  };
  explicit ExportNames(std::vector<Export> exports) : exports_(std::move(exports)) {}

  std::vector<Export> exports_;  // by RVA, one per RVA
};

}  // namespace marlit
