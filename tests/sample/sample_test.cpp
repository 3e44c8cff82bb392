#include <gtest/gtest.h>

#include "pe/load/loader.h"
#include "pe/view/overlap.h"
#include "tests/fakes/fakes.h"

namespace marlit {
namespace {

// The sample is what a newcomer sees first: it must load without a question or a warning.
TEST(Sample, LoadsWithoutMessagesAndWithoutOverlaps) {
  PeImage image;
  fake::FakePrompt prompt;
  ASSERT_TRUE(AnalyzePeFile(image, MARLIT_SAMPLE_PATH, prompt));
  EXPECT_TRUE(prompt.shown.empty());
  EXPECT_EQ(image.ImageBase, 0x400000);
  EXPECT_EQ(OverlapReport(image), u"");
  std::vector<std::u16string> included;
  for (const auto& s : image.Sections) {
    if (s.Included) included.push_back(s.Name);
  }
  EXPECT_EQ(included, (std::vector<std::u16string>{u"檔案頭", u".text", u".rdata", u".data", u".rsrc"}));
}

}  // namespace
}  // namespace marlit
