#pragma once
// A plain mapping for the tests of what is read through the loader's view: each included record of
// the section table maps its file range to the RVAs its RvaDelta gives; the first holder wins.

#include <cstdint>
#include <optional>

#include "pe/view/pe_image.h"
#include "pe/facts/rva_mapping.h"

namespace marlit::test {

class SectionMapping final : public RvaMapping {
 public:
  explicit SectionMapping(const PeImage& image) : image_(image) {}

  std::optional<FileRun> FileRunAt(std::uint32_t rva) const override {
    for (const SectionRecord& r : Records(image_)) {
      if (!r.Included || r.FileMax <= r.FileMin) continue;
      const std::int64_t first = r.FileMin + r.RvaDelta;
      const std::int64_t end = r.FileMax + r.RvaDelta;
      if (first <= rva && rva < end) {
        return FileRun{static_cast<std::uint32_t>(rva - r.RvaDelta),
                       static_cast<std::uint32_t>(end - rva)};
      }
    }
    return std::nullopt;
  }

  std::optional<std::uint32_t> RvaOfFileOffset(std::uint32_t offset) const override {
    for (const SectionRecord& r : Records(image_)) {
      if (r.Included && r.FileMin <= std::int64_t{offset} && offset < std::int64_t{r.FileMax}) {
        return static_cast<std::uint32_t>(offset + r.RvaDelta);
      }
    }
    return std::nullopt;
  }

 private:
  const PeImage& image_;
};

}  // namespace marlit::test
