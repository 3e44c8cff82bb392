#include "cli/value_check.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/row_writer.h"
#include "cli/text_utf8.h"
#include "cli/value_runner.h"
#include "platform/translation.h"
#include "tests/common/described_image.h"
#include "tests/common/sample_images.h"
#include "tests/pe/load_image.h"

namespace marlit::cli {
namespace {

constexpr Radix H = Radix::Hex;
constexpr Radix D = Radix::Decimal;

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
      {" 1", H, TextProblem::None},
      {"1\r", H, TextProblem::None},
      {" \t0x12345678\v\f ", H, TextProblem::None},
      {" 0x ", H, TextProblem::NoDigitsAfterPrefix},
      {"1 2", H, TextProblem::RefusedCharacter},
      {"1\n", H, TextProblem::RefusedCharacter},
      {"中", H, TextProblem::RefusedCharacter},
      {"2147483648", D, TextProblem::None},
      {"0123456789", D, TextProblem::None},
      {"12345678901", D, TextProblem::TooLong},
      {"A", D, TextProblem::RefusedCharacter},
      {"1.5", D, TextProblem::RefusedCharacter},
      {"0x10", D, TextProblem::RefusedCharacter},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckValue(c.value, c.radix, FieldInputLimit(c.radix)), c.problem)
        << '"' << c.value << '"';
  }
  EXPECT_EQ(CheckValue(std::string_view("1\0"
                                        "2",
                                        3),
                       H, 8),
            TextProblem::RefusedCharacter);
  EXPECT_EQ(FieldTextOf("0x1000", H), "1000");
  EXPECT_EQ(FieldTextOf(" 0x1000\t", H), "1000");
  EXPECT_EQ(FieldTextOf("0x1000", D), "0x1000");
  EXPECT_NE(ValueTextMessage("12g", H, 8).find("「12g」"), std::string::npos);
  EXPECT_EQ(ValueTextMessage("12", H, 8), "");
}

// Each text reads back whole through a JSON parser, and is written as that library would write it.
TEST(JsonStringTest, TextsReadBackThroughAJsonParser) {
  const std::string texts[] = {
      "", "a\"b\\c/", std::string("\0\x01\x1F\b\f\n\r\t", 8),
      "\x7F\xC2\x80檔案頭\xEF\xBF\xBD\xF0\x9F\x98\x80",  // DEL and U+0080 stay as they are
  };
  for (const std::string& text : texts) {
    const std::string literal = JsonString(text);
    EXPECT_EQ(nlohmann::json::parse(literal).get<std::string>(), text) << literal;
    EXPECT_EQ(literal, nlohmann::json(text).dump()) << literal;
  }
}

// The references are read from the file again: a file gone since its analysis fails the run.
TEST(ValueRunnerTest, ReferencesOfAFileThatIsGoneFailTheRun) {
  const test::TempDir dir;
  const PeImage image = test::LoadedImage(test::Described(0x10B));
  std::ostringstream out, err;
  ValueRunner runner(image, Radix::Hex, out, err, false);
  runner.ListReferences(dir / "gone.exe");
  (void)runner.Value(Field::MemoryAddress, "402110");
  EXPECT_EQ(runner.Finish(), kExitIoFailed);
  EXPECT_NE(err.str().find("gone.exe"), std::string::npos) << err.str();
}

TEST(ItemTextsTest, SectionNamesAsTheOutputShowsThem) {
  const PeImage image = test::LoadedImage(test::PeBuilder()
                                              .AddSection("a\"b\\c", 0x1000, 0x200, 0x400)
                                              .AddSection("t\tn", 0x2000, 0x200, 0x600)
                                              .AddSection("c\x80", 0x3000, 0x200, 0x800));
  const HexByteTable hexByteText = BuildHexByteText();
  const ConversionPanel panel(image, hexByteText);
  const ItemTexts items(panel.Items());
  ASSERT_EQ(items.Count(), 5u);
  EXPECT_EQ(items.Json(0), "\"不在段內\"");
  EXPECT_EQ(items.Json(2), R"("a\"b\\c")");
  EXPECT_EQ(items.Text(2), "a\"b\\c");
  EXPECT_EQ(items.Json(3), R"("t\tn")");
  EXPECT_EQ(items.Text(3), "t\xEF\xBF\xBDn");
  // Name byte 80h is the C1 control U+0080.
  EXPECT_EQ(items.Json(4), "\"c\xC2\x80\"");
  EXPECT_EQ(items.Text(4), "c\xEF\xBF\xBD");
}

TEST(TextUtf8Test, MessagesAndNamesForTheTerminal) {
  EXPECT_EQ(MessageText(u"一\r\n二\r\n\r\n三"), "一\n二\n\n三");
  EXPECT_EQ(MessageText(u"a\rb"), "a\rb");
  EXPECT_EQ(Utf8FromUtf16(u"檔案頭"), "檔案頭");
  EXPECT_EQ(Utf16FromUtf8("不在段內"), u"不在段內");
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16FromUtf8("\xFF"), u"\xFFFD");
  EXPECT_EQ(TabSafe("a\tb\nc\x7F"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD"
            "c\xEF\xBF\xBD");
  EXPECT_EQ(TabSafe(".text"), ".text");
}

TEST(TextUtf8Test, ControlCharactersOfEveryKind) {
  struct Case {
    std::string text;
    std::string tabSafe;   // in the tab-separated output
    std::string terminal;  // in a message on the error stream
  };
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  const Case cases[] = {
      {"檔案頭", "檔案頭", "檔案頭"},
      {"a\x1B[2J", "a" + r + "[2J", "a\\x1B[2J"},
      {"\xC2\x80\xC2\x9F\xC2\xA0", r + r + "\xC2\xA0", "\\xC2\\x80\\xC2\\x9F\xC2\xA0"},
      {"\x7F\x01", r + r, "\\x7F\\x01"},
      {"a\tb\nc", "a" + r + "b" + r + "c", "a\tb\nc"},
      {"\xFF\xE4\xB8", r + r, "\\xFF\\xE4\\xB8"},
      {std::string("\0", 1), r, "\\x00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TabSafe(c.text), c.tabSafe) << c.terminal;
    EXPECT_EQ(TerminalText(c.text), c.terminal);
  }
}

}  // namespace
}  // namespace marlit::cli
