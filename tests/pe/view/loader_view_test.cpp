#include <gtest/gtest.h>

#include <string>

#include "pe/view/image_view.h"
#include "pe/view/section_choice.h"
#include "pe/view/translate.h"
#include "tests/pe/case_name.h"
#include "tests/pe/load_image.h"

namespace marlit {
namespace {

using test::PeBuilder;

constexpr std::int64_t kBase = 0x400000;

// A record's ranges: memory as RVAs, and the file range.
struct Ranges {
  std::int64_t ramMin, ramMax;
  std::int32_t fileMin, fileMax;
  bool operator==(const Ranges&) const = default;
};

Ranges RangesOf(const SectionRecord& r) {
  return {r.RamMin - kBase, r.RamMax - kBase, r.FileMin, r.FileMax};
}

// One section {VirtualSize, VirtualAddress, SizeOfRawData, PointerToRawData}, and the header
// fields that differ from the builder's (0: its own): file length, FileAlignment,
// SectionAlignment, SizeOfImage and SizeOfHeaders.
struct ViewCase {
  const char* what;
  std::uint32_t virtualSize, va, rawSize, rawPointer;
  std::uint32_t fileLength, fa, sa, sizeOfImage, sizeOfHeaders;
  Ranges headers;
  Ranges section;
};

class LoaderViewTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(LoaderViewTest, Records) {
  const ViewCase& c = GetParam();
  PeBuilder b =
      PeBuilder().ImageBase(kBase).AddSection({".s", c.virtualSize, c.va, c.rawSize, c.rawPointer});
  if (c.fileLength) b.FileLength(c.fileLength);
  if (c.fa) b.FileAlignment(c.fa);
  if (c.sa) b.SectionAlignment(c.sa);
  if (c.sizeOfImage) b.SizeOfImage(c.sizeOfImage);
  if (c.sizeOfHeaders) b.SizeOfHeaders(c.sizeOfHeaders);
  const PeImage image = test::ImageInView(b, MappingView::Loader);
  EXPECT_EQ(RangesOf(image.Sections[0]), c.headers);
  EXPECT_EQ(RangesOf(image.Sections[1]), c.section);
  EXPECT_TRUE(image.Sections[1].Included);
}

constexpr Ranges kHeaders{0, 0x1000, 0, 0x400};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, LoaderViewTest, ::testing::Values(
    ViewCase{"aligned", 0x300, 0x1000, 0x400, 0x400, 0, 0, 0, 0, 0, kHeaders, {0x1000, 0x2000, 0x400, 0x800}},
    ViewCase{"unaligned PointerToRawData reads from 200h below", 0x200, 0x1000, 0x200, 0x410, 0x1000, 0, 0, 0, 0, kHeaders, {0x1000, 0x2000, 0x400, 0x600}},
    ViewCase{"VirtualSize 0 takes SizeOfRawData", 0, 0x1000, 0x1200, 0x400, 0, 0, 0, 0, 0, kHeaders, {0x1000, 0x3000, 0x400, 0x1600}},
    ViewCase{"zero-filled tail", 0x3000, 0x1000, 0x200, 0x400, 0, 0, 0, 0, 0, kHeaders, {0x1000, 0x4000, 0x400, 0x600}},
    ViewCase{"SizeOfRawData beyond the memory size", 0x100, 0x1000, 0x3000, 0x400, 0, 0, 0, 0, 0, kHeaders, {0x1000, 0x2000, 0x400, 0x1400}},
    ViewCase{"truncated file", 0x1000, 0x1000, 0x800, 0x400, 0x500, 0, 0, 0, 0, kHeaders, {0x1000, 0x2000, 0x400, 0x500}},
    ViewCase{"data past the end of the file", 0x1000, 0x1000, 0x200, 0x2000, 0x800, 0, 0, 0, 0, kHeaders, {0x1000, 0x2000, 0, 0}},
    ViewCase{"no file data", 0x800, 0x1000, 0x800, 0, 0x400, 0, 0, 0, 0, kHeaders, {0x1000, 0x2000, 0, 0}},
    ViewCase{"FileAlignment not a power of two rounds to 200h", 0x1000, 0x1000, 0x250, 0x400, 0x1000, 0x300, 0, 0, 0, kHeaders, {0x1000, 0x2000, 0x400, 0x800}},
    ViewCase{"FileAlignment 1000h rounds to it", 0x1000, 0x1000, 0x250, 0x400, 0x1000, 0x1000, 0, 0, 0, kHeaders, {0x1000, 0x2000, 0x400, 0x1000}},
    ViewCase{"headers longer than the file", 0x200, 0x3000, 0x200, 0x400, 0, 0, 0, 0, 0x1800, {0, 0x2000, 0, 0x600}, {0x3000, 0x4000, 0x400, 0x600}},
    ViewCase{"low alignment maps the file flat", 0x600, 0x400, 0x200, 0x600, 0x800, 0, 0x200, 0x900, 0, {0, 0x800, 0, 0x800}, {0x400, 0xA00, 0x400, 0x800}},
    ViewCase{"low alignment with SizeOfImage below the file", 0x600, 0x400, 0x200, 0x600, 0x800, 0, 0x200, 0x500, 0, {0, 0x500, 0, 0x500}, {0x400, 0xA00, 0x400, 0x500}}),
    test::CaseName());
// clang-format on

struct Answer {
  const char* what;
  bool fromOffset;
  std::int64_t in;
  Translation expected;
};

class LoaderAnswerTest : public ::testing::TestWithParam<Answer> {};

// Headers of 600h overlap .text's data at 400h: the headers come last from a file offset, and
// their page past the file's headers is zero-filled.
TEST_P(LoaderAnswerTest, FirstHolderInTheViewsOrder) {
  const Answer& a = GetParam();
  const PeImage image =
      test::ImageInView(PeBuilder().ImageBase(kBase).SizeOfHeaders(0x600).AddSection(
                            {".text", 0x1800, 0x1000, 0x400, 0x400}),
                        MappingView::Loader);
  const Translation t =
      a.fromOffset ? TranslateFileOffset(image, a.in) : TranslateAddress(image, a.in);
  EXPECT_EQ(t.Position, a.expected.Position);
  EXPECT_EQ(t.Where, a.expected.Where);
  EXPECT_EQ(t.Value, a.expected.Value);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, LoaderAnswerTest, ::testing::Values(
    Answer{"offset in headers and section names the section", true, 0x500, {2, Landing::Mapped, kBase + 0x1100}},
    Answer{"address in the headers' zero-filled page", false, kBase + 0x800, {1, Landing::ZeroFilled, 0}}),
    test::CaseName());
// clang-format on

TEST(ViewChangeTest, FlagsTakeTheDefaultsOfTheViewChosen) {
  PeImage image = test::ImageInView(
      PeBuilder().AddSection(".text", 0x1000, 0x200, 0x400).AddSection(".bss", 0x2000, 0x200, 0),
      MappingView::Raw);
  EXPECT_FALSE(image.Sections[2].Included);
  IncludeSection(image, 1, false);
  ASSERT_EQ(SetView(image, MappingView::Loader), ViewChange::Done);
  EXPECT_TRUE(image.Sections[1].Included && image.Sections[2].Included);
  std::int64_t value = kBase + 0x2000;
  EXPECT_EQ(RamToFile(image, value), 3);
  ASSERT_EQ(SetView(image, MappingView::Raw), ViewChange::Done);
  EXPECT_FALSE(image.Sections[2].Included);
  value = kBase + 0x2000;
  EXPECT_EQ(RamToFile(image, value), 0);
}

struct LoadCase {
  const char* what;
  bool wide;
  MappingView view;
  std::uint64_t loadAddress;
  bool refused;
};

class LoadAddressTest : public ::testing::TestWithParam<LoadCase> {};

// .text [400h, 600h) at RVA 1000h; the user's flags stay and RVAs do not move.
TEST_P(LoadAddressTest, TakesTheImageBasesPlaceOrIsRefused) {
  const LoadCase& c = GetParam();
  const std::uint64_t imageBase = c.wide ? 0x140000000 : 0x400000;
  PeImage image = test::ImageInView(PeBuilder()
                                        .Magic(c.wide ? 0x20B : 0x10B)
                                        .ImageBase(imageBase)
                                        .AddSection(".text", 0x1000, 0x200, 0x400),
                                    c.view);
  IncludeSection(image, 0, false);
  EXPECT_EQ(SetLoadAddress(image, static_cast<std::int64_t>(c.loadAddress)),
            c.refused ? ViewChange::Overflowed : ViewChange::Done);
  EXPECT_EQ(Rebased(image), !c.refused);
  const std::uint64_t base = c.refused ? imageBase : c.loadAddress;
  EXPECT_EQ(static_cast<std::uint64_t>(image.Sections[1].RamMin), base + 0x1000);
  std::int64_t value = 0x410;
  EXPECT_EQ(FileToRam(image, value), 1);
  EXPECT_EQ(static_cast<std::uint64_t>(value), base + 0x1010);
  EXPECT_EQ(RamToFile(image, value), 1);
  EXPECT_EQ(value, 0x410);
  image.OmitImageBase = true;
  EXPECT_EQ(FileToRam(image, value), 1);
  EXPECT_EQ(value, 0x1010);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, LoadAddressTest, ::testing::Values(
    LoadCase{"PE32", false, MappingView::Raw, 0x10000000, false},
    LoadCase{"PE32 negative", false, MappingView::Raw, 0xFFFFFFFF80000000, false},
    LoadCase{"PE32 section past 7FFFFFFFh", false, MappingView::Raw, 0x7FFFF000, true},
    LoadCase{"PE32 loader view page past 7FFFFFFFh", false, MappingView::Loader, 0x7FFFE000, true},
    LoadCase{"PE32 beyond 32 bits", false, MappingView::Raw, 0x100000000, true},
    LoadCase{"PE32+", true, MappingView::Raw, 0x7FF612340000, false},
    LoadCase{"PE32+ loader view", true, MappingView::Loader, 0xFFFFFFFFFFFFC000, false},
    LoadCase{"PE32+ past 2^64", true, MappingView::Raw, 0xFFFFFFFFFFFFF000, true},
    LoadCase{"PE32+ loader view past 2^64", true, MappingView::Loader, 0xFFFFFFFFFFFFE000, true}),
    test::CaseName());
// clang-format on

TEST(LoadAddressTest, EachAnalysisStartsFromTheFilesImageBase) {
  test::BuiltImage built(PeBuilder().ImageBase(kBase).AddSection(".text", 0x1000, 0x200, 0x400));
  ASSERT_EQ(SetLoadAddress(built.Image, 0x10000000), ViewChange::Done);
  fake::FakePrompt prompt;
  ASSERT_TRUE(AnalyzePeBytes(built.Image, built.Bytes, u"image", prompt));
  EXPECT_FALSE(Rebased(built.Image));
  std::int64_t value = 0x400;
  EXPECT_EQ(FileToRam(built.Image, value), 2);
  EXPECT_EQ(value, 0x401000);
}

}  // namespace
}  // namespace marlit
