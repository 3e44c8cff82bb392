#include "pe/view/section_choice.h"

#include <gtest/gtest.h>

#include <vector>

namespace marlit {
namespace {

// 檔案頭, .text, .data, .text again, and a record past SectionCount named .data too.
PeImage FiveRecords() {
  PeImage image;
  for (const char16_t* name : {u"檔案頭", u".text", u".data", u".text", u".data"})
    image.Sections.push_back(SectionRecord{.Name = name, .Included = true});
  image.SectionCount = 4;
  return image;
}

std::vector<bool> Included(const PeImage& image) {
  std::vector<bool> flags;
  for (const SectionRecord& r : image.Sections) flags.push_back(r.Included);
  return flags;
}

TEST(SectionChoiceTest, ExcludingByNameLeavesOutEveryRecordOfThatName) {
  const struct {
    const char16_t* name;
    bool found;
    std::vector<bool> included;
  } cases[] = {
      {u".text", true, {true, false, true, false, true}},
      {u".data", true, {true, true, false, true, true}},  // not the record past the count
      {u".TEXT", false, {true, true, true, true, true}},
      {u"", false, {true, true, true, true, true}},
  };
  for (const auto& c : cases) {
    PeImage image = FiveRecords();
    EXPECT_EQ(ExcludeSections(image, c.name), c.found) << "case " << &c - cases;
    EXPECT_EQ(Included(image), c.included) << "case " << &c - cases;
  }
}

TEST(SectionChoiceTest, IncludingTouchesOnlyRecordsThatExist) {
  PeImage image = FiveRecords();
  for (const std::size_t index : {1, 4, 99}) IncludeSection(image, index, false);
  EXPECT_EQ(Included(image), (std::vector<bool>{true, false, true, true, true}));
}

TEST(SectionChoiceTest, AddressesInTheModeInForce) {
  // The last: a PE32+ address above 2^63 less its base.
  const struct {
    std::int64_t imageBase;
    bool omit;
    std::int64_t address, given;
  } cases[] = {{0x400000, false, 0x401000, 0x401000},
               {0x400000, true, 0x401000, 0x1000},
               {static_cast<std::int64_t>(0xFFFFF80000000000ull), true,
                static_cast<std::int64_t>(0xFFFFF80000001000ull), 0x1000}};
  for (const auto& c : cases) {
    PeImage image;
    image.ImageBase = c.imageBase;
    OmitImageBase(image, c.omit);
    EXPECT_EQ(AddressInMode(image, c.address), c.given) << c.address;
  }
}

}  // namespace
}  // namespace marlit
