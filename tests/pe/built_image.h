#pragma once
// A built image analysed in memory, with its bytes, for the tests of what is read through the
// loader's view.

#include <stdexcept>
#include <vector>

#include "pe/bounded_reader.h"
#include "pe/data_directories.h"
#include "pe/loader.h"
#include "tests/fakes/fakes.h"
#include "tests/common/pe_builder.h"
#include "tests/common/section_mapping.h"

namespace marlit::test {

struct BuiltImage {
  explicit BuiltImage(const PeBuilder& builder) : Bytes(builder.Build()) {
    fake::FakePrompt prompt;
    if (!AnalyzePeBytes(Image, Bytes, u"image", prompt)) throw std::runtime_error("image refused");
  }
  BuiltImage(const BuiltImage&) = delete;
  BuiltImage& operator=(const BuiltImage&) = delete;

  [[nodiscard]] DataDirectories Directories() {
    return ReadDataDirectories(Reader, Image.PeOffset, Image.Kind);
  }

  std::vector<std::uint8_t> Bytes;
  PeImage Image;
  SectionMapping Mapping{Image};
  BoundedReader Reader{Bytes};
};

inline constexpr std::uint16_t kPe32Magic = 0x10B;
inline constexpr std::uint16_t kPe32PlusMagic = 0x20B;

}  // namespace marlit::test
