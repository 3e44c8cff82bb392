#pragma once
// The RVAs that the image's base relocations rewrite when it is loaded at another address.

#include <cstdint>
#include <span>
#include <vector>

#include "pe/read/bounded_reader.h"
#include "pe/facts/data_directories.h"
#include "pe/view/pe_image.h"
#include "pe/facts/rva_mapping.h"

namespace marlit {

class BaseRelocations {
 public:
  // None.
  BaseRelocations() = default;

  // The relocation table read where mapping puts it: the entries of type 3 (HIGHLOW) in a PE32
  // image, of type 10 (DIR64) in a PE32+ one. Reading stops at a block that does not fit the
  // table; a table the view does not map from the file gives none.
  [[nodiscard]] static BaseRelocations Read(BoundedReader& reader,
                                            const DataDirectories& directories, ImageKind kind,
                                            const RvaMapping& mapping);

  // Whether an entry rewrites the pointer at exactly rva.
  [[nodiscard]] bool Covers(std::uint32_t rva) const;
  // In ascending order, each once.
  [[nodiscard]] std::span<const std::uint32_t> Rvas() const noexcept { return rvas_; }

 private:
  explicit BaseRelocations(std::vector<std::uint32_t> rvas) : rvas_(std::move(rvas)) {}

  std::vector<std::uint32_t> rvas_;
};

}  // namespace marlit
