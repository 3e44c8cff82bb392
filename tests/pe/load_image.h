#pragma once
// Analyses a built image in a fresh temporary folder, for the tests of what the loader builds.

#include "pe/loader.h"
#include "tests/common/pe_builder.h"
#include "tests/fakes/fakes.h"

namespace marlit::test {

inline PeImage LoadedImage(const PeBuilder& builder) {
  TempDir dir;
  builder.WriteTo(dir / "image.exe");
  fake::FakePrompt prompt;
  prompt.answers = {true};
  PeImage image;
  if (!AnalyzePeFile(image, dir / "image.exe", prompt)) throw std::runtime_error("image refused");
  return image;
}

}  // namespace marlit::test
