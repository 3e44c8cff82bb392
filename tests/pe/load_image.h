#pragma once
// Analyses a built image, for the tests of what the loader builds.

#include <stdexcept>
#include <vector>

#include "pe/loader.h"
#include "tests/common/pe_builder.h"
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

// From memory, in the view given.
inline PeImage ImageInView(const PeBuilder& builder, MappingView view) {
  const std::vector<std::uint8_t> bytes = builder.Build();
  fake::FakePrompt prompt;
  prompt.answers = {true};
  PeImage image;
  image.View = view;
  if (!AnalyzePeBytes(image, bytes, u"image", prompt)) throw std::runtime_error("image refused");
  return image;
}

}  // namespace marlit::test
