#pragma once
// Where the Windows loader puts the bytes of the file, whichever view is shown: the tables that
// describe an address (data directories, exports, base relocations) are read there.

#include <cstdint>
#include <optional>
#include <vector>

#include "pe/view/image_view.h"
#include "pe/read/raw_headers.h"
#include "pe/facts/rva_mapping.h"
#include "pe/view/translation_index.h"

namespace marlit {

class LoaderMapping final : public RvaMapping {
 public:
  // Maps nothing.
  LoaderMapping() = default;
  // The loader's view of the raw header fields, at no base, so that no load address can make it
  // overflow.
  explicit LoaderMapping(const RawImageHeaders& raw);

  // The first record holding rva in the loader's order answers; its zero-filled memory maps no
  // file byte. The run ends where the record's file data ends or another record takes over.
  [[nodiscard]] std::optional<FileRun> FileRunAt(std::uint32_t rva) const override;
  // The first record holding the offset among its file data, in the loader's order.
  [[nodiscard]] std::optional<std::uint32_t> RvaOfFileOffset(std::uint32_t offset) const override;

 private:
  // Positions in the lookups are 1 + the index of the extent.
  std::vector<LoaderExtent> extents_;
  IntervalLookup fromRva_;
  IntervalLookup fromOffset_;
};

}  // namespace marlit
