#include "cli/field_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "cli/text_utf8.h"
#include "pe/number_text.h"

namespace marlit::cli {
namespace {

// The batch path formats without the pe texts; it must give their characters exactly.
TEST(FieldTextTest, SameCharactersAsTheWindowsFieldTexts) {
  std::vector<std::int32_t> values = {
      0,   1,          -1,         15,         16,         255,
      256, 0x401000,   0x12345678, 0x00ABCDEF, 0x7FFFFFFF, std::numeric_limits<std::int32_t>::min(),
      -2,  1000000000, -999999999, 0x0A0B0C0D};
  std::mt19937 random(20240611);
  for (int i = 0; i < 2000; ++i) values.push_back(static_cast<std::int32_t>(random()));

  const HexByteTable table = BuildHexByteText();
  const auto byteHex = AsciiHexByteText(table);
  FieldText text;
  for (const std::int32_t v : values) {
    text.SetHex(v);
    EXPECT_EQ(text.View(), ToUtf8(HexFieldText(v))) << v;
    text.SetDecimal(v);
    EXPECT_EQ(text.View(), ToUtf8(DecimalFieldText(v))) << v;
    text.SetByteHex(byteHex, v);
    EXPECT_EQ(text.View(), ToUtf8(LongToByteHex(table, v))) << v;
  }
}

TEST(TextUtf8Test, MessagesAndNamesForTheTerminal) {
  EXPECT_EQ(MessageText(u"一\r\n二\r\n\r\n三"), "一\n二\n\n三");
  EXPECT_EQ(MessageText(u"a\rb"), "a\rb");
  EXPECT_EQ(ToUtf8(u"檔案頭"), "檔案頭");
  EXPECT_EQ(FromUtf8("不在段內"), u"不在段內");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(FromUtf8("\xFF"), u"\xFFFD");
  EXPECT_EQ(TabSafe("a\tb\nc\x7F"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD"
            "c\xEF\xBF\xBD");
  EXPECT_EQ(TabSafe(".text"), ".text");
}

}  // namespace
}  // namespace marlit::cli
