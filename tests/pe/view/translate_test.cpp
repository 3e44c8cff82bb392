#include "pe/view/section_choice.h"
#include "pe/view/translate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "pe/view/image_view.h"
#include "platform/errors.h"
#include "tests/pe/load_image.h"

namespace marlit {
namespace {

// Record 0 [0, 400h), .text [400h, 600h) at 401000h, .rdata [600h, 800h) at 402000h,
// .data [800h, A00h) at 403000h, .reloc [A00h, B00h) at 404000h.
PeImage FourSections() {
  return test::LoadedImage(test::PeBuilder()
                               .ImageBase(0x400000)
                               .AddSection(".text", 0x1000, 0x200, 0x400)
                               .AddSection(".rdata", 0x2000, 0x200, 0x600)
                               .AddSection(".data", 0x3000, 0x200, 0x800)
                               .AddSection(".reloc", 0x4000, 0x100, 0xA00));
}

struct Case {
  std::int64_t in;
  std::int64_t out;
  std::int32_t position;
};

void ExpectTranslations(const PeImage& image,
                        std::int32_t (*translate)(const PeImage&, std::int64_t&),
                        std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    std::int64_t value = c.in;
    EXPECT_EQ(translate(image, value), c.position) << std::hex << c.in;
    EXPECT_EQ(value, c.out) << std::hex << c.in;
  }
}

TEST(TranslateTest, FileToRamWithImageBase) {
  const PeImage image = FourSections();
  ExpectTranslations(image, FileToRam,
                     {{0, 0x400000, 1},
                      {0x3FF, 0x4003FF, 1},
                      {0x400, 0x401000, 2},
                      {0x5FF, 0x4011FF, 2},
                      {0x600, 0x402000, 3},
                      {0xAFF, 0x4040FF, 5},
                      {0xB00, 0, 0},
                      {-1, 0, 0},
                      {std::numeric_limits<std::int32_t>::min(), 0, 0}});
}

TEST(TranslateTest, FileToRamWithoutImageBase) {
  PeImage image = FourSections();
  image.OmitImageBase = true;
  ExpectTranslations(image, FileToRam, {{0, 0, 1}, {0x400, 0x1000, 2}, {0xA10, 0x4010, 5}});
}

TEST(TranslateTest, RamToFileInBothModes) {
  PeImage image = FourSections();
  ExpectTranslations(image, RamToFile,
                     {{0x400000, 0, 1},
                      {0x401000, 0x400, 2},
                      {0x4011FF, 0x5FF, 2},
                      {0x401200, 0, 0},  // past the raw data, whatever VirtualSize said
                      {0x1000, 0, 0},
                      {-1, 0, 0}});
  image.OmitImageBase = true;
  ExpectTranslations(image, RamToFile,
                     {{0, 0, 1},
                      {0x1000, 0x400, 2},
                      {0x4010, 0xA10, 5},
                      {0x401000, 0, 0},
                      {std::numeric_limits<std::int32_t>::max(), 0, 0},
                      {std::numeric_limits<std::int32_t>::min(), 0, 0}});
}

TEST(TranslateTest, BothDirectionsAreInverseInBothModes) {
  for (bool omit : {false, true}) {
    PeImage image = FourSections();
    image.OmitImageBase = omit;
    for (std::int32_t offset = 0; offset < 0xB00; offset += 0x11) {
      std::int64_t value = offset;
      const std::int32_t there = FileToRam(image, value);
      const std::int32_t back = RamToFile(image, value);
      EXPECT_EQ(value, offset) << omit << " " << std::hex << offset;
      EXPECT_EQ(there, back) << omit << " " << std::hex << offset;
    }
  }
}

TEST(TranslateTest, ExcludedRecordsAreNeitherTestedNorCounted) {
  PeImage image = FourSections();
  IncludeSection(image, 2, false);  // .rdata
  ExpectTranslations(image, FileToRam, {{0x650, 0, 0}, {0x850, 0x403050, 3}});
  ExpectTranslations(image, RamToFile, {{0x402050, 0, 0}, {0x403050, 0x850, 3}});
  IncludeSection(image, 0, false);
  ExpectTranslations(image, FileToRam, {{0, 0, 0}, {0x400, 0x401000, 1}});
}

TEST(TranslateTest, NothingLoadedGivesNothing) {
  const PeImage image;
  ExpectTranslations(image, FileToRam, {{0, 0, 0}, {0x400, 0, 0}});
  ExpectTranslations(image, RamToFile, {{0x400000, 0, 0}});
}

SectionRecord Record(std::int32_t fileMin, std::int32_t fileMax, std::int32_t ramMin,
                     std::int32_t imageBase) {
  SectionRecord r;
  r.FileMin = fileMin;
  r.FileMax = fileMax;
  r.RamMin = ramMin;
  r.RamMax = static_cast<std::int32_t>(
      std::min<std::int64_t>(std::int64_t{ramMin} + fileMax - fileMin, 0x7FFFFFFF));
  r.RamDelta = ramMin - fileMin;
  r.RvaDelta = r.RamDelta - imageBase;
  r.Included = true;
  return r;
}

TEST(TranslateTest, TheEarlierOfOverlappingSectionsWins) {
  PeImage image;
  image.ImageBase = 0x10000;
  image.Sections = {Record(0, 0x100, 0x10000, 0x10000), Record(0x200, 0x400, 0x11000, 0x10000),
                    Record(0x300, 0x500, 0x12000, 0x10000)};
  image.SectionCount = 3;
  ExpectTranslations(image, FileToRam, {{0x350, 0x11150, 2}, {0x450, 0x12150, 3}});
}

TEST(TranslateTest, OverflowIsRaisedAndTheValueKept) {
  PeImage image;
  image.ImageBase = 0x7FFF0000;
  image.Sections = {Record(0, 0x7FFFFFFF, 0x7FFF0000, 0x7FFF0000)};
  image.SectionCount = 1;
  std::int64_t value = 0x20000;
  EXPECT_THROW((void)FileToRam(image, value), OverflowError);
  EXPECT_EQ(value, 0x20000);

  image.Sections[0].RvaDelta = std::numeric_limits<std::int32_t>::min();
  TableChanged(image);
  image.OmitImageBase = true;
  value = 0x100;
  EXPECT_THROW((void)RamToFile(image, value), OverflowError);
}

}  // namespace
}  // namespace marlit
