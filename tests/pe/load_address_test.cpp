#include <gtest/gtest.h>

#include "pe/image_view.h"
#include "pe/section_choice.h"
#include "pe/translate.h"
#include "tests/pe/case_name.h"
#include "tests/pe/load_image.h"

namespace marlit {
namespace {

using test::PeBuilder;

struct LoadCase {
  const char* what;
  std::uint16_t magic;
  std::uint64_t imageBase;
  MappingView view;
  std::uint64_t loadAddress;
  bool refused;
};

// .text [400h, 600h) at RVA 1000h.
PeImage Image(const LoadCase& c) {
  return test::ImageInView(
      PeBuilder().Magic(c.magic).ImageBase(c.imageBase).AddSection(".text", 0x1000, 0x200, 0x400),
      c.view);
}

class LoadAddressTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadAddressTest, TakesTheImageBasesPlaceOrIsRefused) {
  const LoadCase& c = GetParam();
  PeImage image = Image(c);
  const std::vector<SectionRecord> before = image.Sections;
  IncludeSection(image, 0, false);

  const ViewChange change = SetLoadAddress(image, static_cast<std::int64_t>(c.loadAddress));
  std::int64_t value = 0x410;
  const std::int32_t position = FileToRam(image, value);
  if (c.refused) {
    EXPECT_EQ(change, ViewChange::Overflowed);
    EXPECT_FALSE(Rebased(image));
    EXPECT_EQ(image.Sections[1].RamMin, before[1].RamMin);
    EXPECT_EQ(static_cast<std::uint64_t>(value), c.imageBase + 0x1010);
  } else {
    EXPECT_EQ(change, ViewChange::Done);
    EXPECT_TRUE(Rebased(image));
    EXPECT_EQ(static_cast<std::uint64_t>(value), c.loadAddress + 0x1010);
    EXPECT_EQ(static_cast<std::uint64_t>(image.Sections[0].RamMin), c.loadAddress);
    EXPECT_EQ(RamToFile(image, value), position);
    EXPECT_EQ(value, 0x410);
  }
  // The user's flags stay; RVAs do not move.
  EXPECT_EQ(position, 1);
  image.OmitImageBase = true;
  value = 0x410;
  EXPECT_EQ(FileToRam(image, value), 1);
  EXPECT_EQ(value, 0x1010);
  EXPECT_EQ(RamToFile(image, value), 1);
  EXPECT_EQ(value, 0x410);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoadAddressTest,
    ::testing::Values(
        LoadCase{"PE32", 0x10B, 0x400000, MappingView::Raw, 0x10000000, false},
        LoadCase{"PE32 loader view", 0x10B, 0x400000, MappingView::Loader, 0x7FFF0000, false},
        LoadCase{"PE32 negative", 0x10B, 0x400000, MappingView::Raw, 0xFFFFFFFF80000000, false},
        LoadCase{"PE32 section past 7FFFFFFFh", 0x10B, 0x400000, MappingView::Raw, 0x7FFFF000, true},
        LoadCase{"PE32 loader view page past 7FFFFFFFh", 0x10B, 0x400000, MappingView::Loader,
                 0x7FFFE000, true},
        LoadCase{"PE32 beyond 32 bits", 0x10B, 0x400000, MappingView::Raw, 0x100000000, true},
        LoadCase{"PE32+", 0x20B, 0x140000000, MappingView::Raw, 0x7FF612340000, false},
        LoadCase{"PE32+ loader view", 0x20B, 0x140000000, MappingView::Loader,
                 0xFFFFFFFFFFFFC000, false},
        LoadCase{"PE32+ past 2^64", 0x20B, 0x140000000, MappingView::Raw, 0xFFFFFFFFFFFFF000, true},
        LoadCase{"PE32+ loader view past 2^64", 0x20B, 0x140000000, MappingView::Loader,
                 0xFFFFFFFFFFFFE000, true}),
    test::CaseName());

TEST(LoadAddressTest, EachAnalysisStartsFromTheFilesImageBase) {
  const std::vector<std::uint8_t> bytes =
      PeBuilder().ImageBase(0x400000).AddSection(".text", 0x1000, 0x200, 0x400).Build();
  fake::FakePrompt prompt;
  PeImage image;
  ASSERT_TRUE(AnalyzePeBytes(image, bytes, u"image", prompt));
  ASSERT_EQ(SetLoadAddress(image, 0x10000000), ViewChange::Done);
  ASSERT_TRUE(AnalyzePeBytes(image, bytes, u"image", prompt));
  EXPECT_FALSE(Rebased(image));
  std::int64_t value = 0x400;
  EXPECT_EQ(FileToRam(image, value), 2);
  EXPECT_EQ(value, 0x401000);
}

}  // namespace
}  // namespace marlit
