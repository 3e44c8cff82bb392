#pragma once
// Analyses a built image, for the tests of what the loader builds and of what is read through its
// view.

#include <stdexcept>
#include <vector>

#include "pe/read/bounded_reader.h"
#include "pe/facts/data_directories.h"
#include "pe/load/loader.h"
#include "tests/common/pe_builder.h"
#include "tests/common/section_mapping.h"
#include "tests/fakes/fakes.h"

namespace marlit::test {

// Through a file in a fresh temporary folder.
inline PeImage LoadedImage(const PeBuilder& builder) {
  TempDir dir;
  builder.WriteTo(dir / "image.exe");
  fake::FakePrompt prompt;
  prompt.answers = {true};
  PeImage image;
  if (!AnalyzePeFile(image, dir / "image.exe", prompt)) throw std::runtime_error("image refused");
  return image;
}

// From memory, in the view given, with its bytes.
struct BuiltImage {
  explicit BuiltImage(const PeBuilder& builder, MappingView view = MappingView::Raw)
      : Bytes(builder.Build()) {
    fake::FakePrompt prompt;
    prompt.answers = {true};
    Image.View = view;
    if (!AnalyzePeBytes(Image, Bytes, u"image", prompt, &Reading)) {
      throw std::runtime_error("image refused");
    }
  }
  BuiltImage(const BuiltImage&) = delete;
  BuiltImage& operator=(const BuiltImage&) = delete;

  [[nodiscard]] DataDirectories Directories() {
    return ReadDataDirectories(Reader, Reading.PeOffset, Image.Kind);
  }

  std::vector<std::uint8_t> Bytes;
  LoaderReading Reading;
  PeImage Image;
  SectionMapping Mapping{Image};
  BoundedReader Reader{Bytes};
};

inline PeImage ImageInView(const PeBuilder& builder, MappingView view) {
  return BuiltImage(builder, view).Image;
}

inline constexpr std::uint16_t kPe32Magic = 0x10B;
inline constexpr std::uint16_t kPe32PlusMagic = 0x20B;

}  // namespace marlit::test
