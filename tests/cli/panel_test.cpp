#include "cli/panel.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/batch.h"
#include "pe/loader.h"
#include "platform/fake/fakes.h"
#include "tests/cli/sample_files.h"

namespace marlit::cli {
namespace {

PeImage Load(const test::PeBuilder& builder) {
  test::TempDir dir;
  builder.WriteTo(dir / "image.exe");
  fake::FakePrompt prompt;
  PeImage image;
  EXPECT_TRUE(AnalyzePeFile(image, dir / "image.exe", prompt));
  return image;
}

struct Shown {
  std::string 實偏移, 虛偏移;
  std::int32_t position;
  std::string item, 代碼;
  bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Shown& s) {
  return os << '[' << s.實偏移 << '|' << s.虛偏移 << '|' << s.position << '|' << s.item << '|'
            << s.代碼 << ']';
}

Shown ShownBy(const ConversionPanel& panel) {
  const PanelState& s = panel.State();
  return {std::string(s.實偏移.View()), std::string(s.虛偏移.View()), s.Position,
          panel.ItemText(s.Position), std::string(s.代碼.View())};
}

struct TypingCase {
  const char* what;
  Field field;
  Radix radix;
  bool omitImageBase;
  const char* text;
  bool overflows;
  Shown shown;
};

void PrintTo(const TypingCase& c, std::ostream* os) { *os << c.what; }

constexpr Field O = Field::FileOffset;
constexpr Field A = Field::MemoryAddress;
constexpr Radix H = Radix::Hex;
constexpr Radix D = Radix::Decimal;

// clang-format off
const TypingCase kTypingCases[] = {
    {"offset in .text", O, H, false, "1000", false, {"1000", "401C00", 2, ".text", "001C4000"}},
    {"empty offset field is offset 0", O, H, false, "", false, {"", "400000", 1, "檔案頭", "00004000"}},
    {"FileMax of .text is in .data", O, H, false, "1400", false, {"1400", "402000", 3, ".data", "00204000"}},
    {"lower case kept as typed", O, H, false, "abc", false, {"abc", "4016BC", 2, ".text", "BC164000"}},
    {"leading zeros kept", O, H, false, "00001000", false, {"00001000", "401C00", 2, ".text", "001C4000"}},
    {"top bit set is negative", O, H, false, "FFFFFFFF", false, {"FFFFFFFF", "0", 0, "不在段內", ""}},
    {"past every section", O, H, false, "1E00", false, {"1E00", "0", 0, "不在段內", ""}},
    {"address in .text", A, H, false, "401C00", false, {"1000", "401C00", 2, ".text", "001C4000"}},
    {"address of file offset 0 leaves no code", A, H, false, "400000", false, {"0", "400000", 1, "檔案頭", ""}},
    {"empty address field", A, H, false, "", false, {"0", "", 0, "不在段內", ""}},
    {"address in .rdata", A, H, false, "4037ff", false, {"1DFF", "4037ff", 4, ".rdata", "FF374000"}},
    {"decimal offset", O, D, false, "4096", false, {"4096", "4201472", 2, ".text", "001C4000"}},
    {"decimal address", A, D, false, "4201472", false, {"4096", "4201472", 2, ".text", "001C4000"}},
    {"decimal offset above the largest",
     O, D, false, "2147483648", true, {"", "", 1, "檔案頭", ""}},
    {"decimal address above the largest",
     A, D, false, "9999999999", true, {"0", "", 0, "不在段內", ""}},
    {"offset without the image base", O, H, true, "1000", false, {"1000", "1C00", 2, ".text", "001C0000"}},
    {"address without the image base", A, H, true, "1C00", false, {"1000", "1C00", 2, ".text", "001C0000"}},
    {"address with the image base is in no section then",
     A, H, true, "401C00", false, {"0", "401C00", 0, "不在段內", ""}},
    {"header offset without the image base", O, H, true, "0", false, {"0", "0", 1, "檔案頭", ""}},
};
// clang-format on

class TypingTest : public testing::TestWithParam<TypingCase> {};

TEST_P(TypingTest, FieldsShowWhatTheWindowShows) {
  const TypingCase& c = GetParam();
  PeImage image = Load(test::SampleImage());
  image.OmitImageBase = c.omitImageBase;
  ConversionPanel panel(image, c.radix);
  EXPECT_EQ(panel.Type(c.field, c.text), !c.overflows);
  EXPECT_EQ(ShownBy(panel), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Values, TypingTest, testing::ValuesIn(kTypingCases),
                         [](const auto& param) { return "case" + std::to_string(param.index); });

TEST(PanelTest, OverflowInTheTranslationClearsTheFields) {
  const PeImage image = Load(test::HighBaseImage());
  ConversionPanel panel(image, Radix::Hex);
  ASSERT_TRUE(panel.Type(Field::FileOffset, "FFF"));
  EXPECT_EQ(ShownBy(panel), (Shown{"FFF", "7FFFFFFF", 1, "檔案頭", "FFFFFF7F"}));
  EXPECT_FALSE(panel.Type(Field::FileOffset, "1000"));
  EXPECT_EQ(ShownBy(panel), (Shown{"", "", 1, "檔案頭", ""}));
  // The next value starts afresh.
  ASSERT_TRUE(panel.Type(Field::FileOffset, "2000"));
  EXPECT_EQ(ShownBy(panel), (Shown{"2000", "7FFFF000", 2, ".text", "00F0FF7F"}));
}

TEST(PanelTest, ExcludedSectionsAreNeitherFoundNorCounted) {
  PeImage image = Load(test::SampleImage());
  ASSERT_TRUE(ExcludeSections(image, u".text"));
  EXPECT_FALSE(ExcludeSections(image, u".nope"));
  ConversionPanel panel(image, Radix::Hex);
  ASSERT_TRUE(panel.Type(Field::FileOffset, "1000"));
  EXPECT_EQ(ShownBy(panel), (Shown{"1000", "0", 0, "不在段內", ""}));
  ASSERT_TRUE(panel.Type(Field::FileOffset, "1400"));
  EXPECT_EQ(ShownBy(panel), (Shown{"1400", "402000", 2, ".data", "00204000"}));
  ASSERT_TRUE(ExcludeSections(image, u"檔案頭"));
  ConversionPanel withoutHeader(image, Radix::Hex);
  ASSERT_TRUE(withoutHeader.Type(Field::FileOffset, "1600"));
  EXPECT_EQ(ShownBy(withoutHeader), (Shown{"1600", "403000", 2, ".rdata", "00304000"}));
}

TEST(PanelTest, BeforeAnyFileEveryValueIsInNoSection) {
  const PeImage empty;
  ConversionPanel panel(empty, Radix::Hex);
  ASSERT_TRUE(panel.Type(Field::FileOffset, "0"));
  EXPECT_EQ(ShownBy(panel), (Shown{"0", "0", 0, "不在段內", ""}));
  EXPECT_EQ(panel.ItemCount(), 1u);
}

TEST(PanelTest, SectionNamesAsListItems) {
  const PeImage image = Load(test::PeBuilder()
                                 .AddSection("a\"b\\c", 0x1000, 0x200, 0x400)
                                 .AddSection("t\tn", 0x2000, 0x200, 0x600));
  const ConversionPanel panel(image, Radix::Hex);
  ASSERT_EQ(panel.ItemCount(), 4u);
  EXPECT_EQ(panel.ItemJson(0), "\"不在段內\"");
  EXPECT_EQ(panel.ItemJson(2), R"("a\"b\\c")");
  EXPECT_EQ(panel.ItemText(2), "a\"b\\c");
  EXPECT_EQ(panel.ItemJson(3), R"("t\tn")");
  EXPECT_EQ(panel.ItemText(3), "t\xEF\xBF\xBDn");
}

struct ValueTextCase {
  const char* value;
  Radix radix;
  TextProblem problem;
};

TEST(ValueTextTest, WhatTheFieldsTake) {
  const ValueTextCase cases[] = {
      {"", H, TextProblem::None},
      {"1000", H, TextProblem::None},
      {"0x1000", H, TextProblem::None},
      {"0X1f", H, TextProblem::None},
      {"12345678", H, TextProblem::None},
      {"0x12345678", H, TextProblem::None},
      {"123456789", H, TextProblem::TooLong},
      {"0x123456789", H, TextProblem::TooLong},
      {"0x", H, TextProblem::NoDigitsAfterPrefix},
      {"0x0x1", H, TextProblem::RefusedCharacter},
      {"12g", H, TextProblem::RefusedCharacter},
      {"G", H, TextProblem::RefusedCharacter},
      {"-1", H, TextProblem::RefusedCharacter},
      {" 1", H, TextProblem::RefusedCharacter},
      {"1\r", H, TextProblem::RefusedCharacter},
      {"中", H, TextProblem::RefusedCharacter},
      {"2147483648", D, TextProblem::None},
      {"0123456789", D, TextProblem::None},
      {"12345678901", D, TextProblem::TooLong},
      {"A", D, TextProblem::RefusedCharacter},
      {"1.5", D, TextProblem::RefusedCharacter},
      {"0x10", D, TextProblem::RefusedCharacter},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckValue(c.value, c.radix), c.problem) << '"' << c.value << '"';
  }
  EXPECT_EQ(CheckValue(std::string_view("1\0"
                                        "2",
                                        3),
                       H),
            TextProblem::RefusedCharacter);
  EXPECT_EQ(FieldTextOf("0x1000", H), "1000");
  EXPECT_EQ(FieldTextOf("0x1000", D), "0x1000");
  EXPECT_NE(ValueTextMessage("12g", H).find("「12g」"), std::string::npos);
  EXPECT_EQ(ValueTextMessage("12", H), "");
}

}  // namespace
}  // namespace marlit::cli
