#include "pe/panel/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <limits>
#include <string>
#include <string_view>

#include "platform/errors.h"

namespace marlit {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(NumberTextTest, HexByteTextHoldsTwoUpperCaseDigits) {
  const HexByteTable table = BuildHexByteText();
  const std::pair<int, std::u16string> cases[] = {{0, u"00"},  {9, u"09"},   {15, u"0F"},
                                                  {16, u"10"}, {171, u"AB"}, {255, u"FF"}};
  for (const auto& [i, text] : cases) EXPECT_EQ(table[static_cast<std::size_t>(i)], text);
  for (const std::u16string& entry : table) EXPECT_EQ(entry.size(), 2u);
}

TEST(NumberTextTest, LongToByteHexWritesMemoryOrder) {
  const HexByteTable table = BuildHexByteText();
  const std::pair<std::int32_t, std::u16string> cases[] = {
      {0, u""},
      {-1, u"FFFFFFFF"},
      {1, u"01000000"},
      {0x12345678, u"78563412"},
      {0x401000, u"00104000"},
      {kMin, u"00000080"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(LongToByteHex(table, value), text) << value;
}

TEST(NumberTextTest, ParseHexFieldReadsTheBitPattern) {
  const std::pair<std::u16string, std::int32_t> cases[] = {
      {u"", 0},
      {u"0", 0},
      {u"FFFF", 65535},
      {u"ff", 255},
      {u"aBc", 0xABC},
      {u"7FFFFFFF", kMax},
      {u"80000000", kMin},
      {u"FFFFFFFF", -1},
      {u"12x4", 0x12},
      {u"x12", 0},
      {u" 12", 0},
      {u"123456789", 0x12345678},  // reading stops after the eighth digit
      {u"FFFFFFFFFFFFFFFF", -1},
      {u"１２", 0},  // full-width digits are not digits here
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(ParseHexField(text), value) << "case of length " << text.size();
  }
}

TEST(NumberTextTest, ParseDecimalFieldStopsAtTheFirstNonDigit) {
  const std::pair<std::u16string, std::int32_t> cases[] = {
      {u"", 0},
      {u"0", 0},
      {u"12a3", 12},
      {u"-5", 0},
      {u"2147483647", kMax},
      {u"00000000000000000000002147483647", kMax},
      {u"4096.5", 4096},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseDecimalField(text), value);
}

TEST(NumberTextTest, ParseDecimalFieldOverflowsAbove2147483647) {
  const std::u16string cases[] = {u"2147483648", u"4294967296", u"99999999999999999999",
                                  std::u16string(5000, u'9'), u"2147483648x"};
  for (const std::u16string& text : cases) {
    EXPECT_THROW((void)ParseDecimalField(text), OverflowError) << text.size();
  }
}

TEST(NumberTextTest, FieldTexts) {
  struct Case {
    std::int32_t value;
    std::u16string hex;
    std::u16string decimal;
  };
  const Case cases[] = {
      {0, u"0", u"0"},
      {255, u"FF", u"255"},
      {0x401000, u"401000", u"4198400"},
      {-1, u"FFFFFFFF", u"-1"},
      {kMax, u"7FFFFFFF", u"2147483647"},
      {kMin, u"80000000", u"-2147483648"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HexFieldText(c.value), c.hex);
    EXPECT_EQ(FieldNumberText(Radix::Decimal, NumberWidth::Narrow, c.value), c.decimal);
    EXPECT_EQ(ParseHexField(HexFieldText(c.value)), c.value);
    if (c.value >= 0) {
      EXPECT_EQ(ParseDecimalField(c.decimal), c.value);
    }
  }
}

TEST(NumberTextTest, WritersGiveEveryLengthOfText) {
  const HexByteTable table = BuildHexByteText();
  // Each count of hexadecimal digits from 1 to 16, odd and even, and the byte orders of 4 and 8.
  constexpr std::string_view kText = "123456789ABCDEF7";
  std::uint64_t pattern = 0;
  for (std::size_t n = 1; n <= kText.size(); ++n) {
    const char c = kText[n - 1];
    pattern = pattern << 4 | static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    char out[kFieldTextCapacity];
    EXPECT_EQ(std::string_view(out, WriteHexDigits(out, pattern)), kText.substr(0, n));
  }
  char out[kFieldTextCapacity];
  EXPECT_EQ(std::string(out, WriteHexDigits(out, 0)), "0");
  EXPECT_EQ(std::string(out, WriteHexDigits(out, ~std::uint64_t{0})), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(std::string(out, WriteByteHex(out, table, 0x123456789ABCDEF0, 8)), "F0DEBC9A78563412");
  EXPECT_EQ(std::string(out, WriteByteHex(out, table, 0x123456789ABCDEF0, 4)), "F0DEBC9A");
  EXPECT_EQ(WriteByteHex(out, table, 0, 8), 0u);
  // Every count of decimal digits, at both ends: 10^n - 1 and 10^n, up to the largest value.
  std::uint64_t power = 1;
  for (int n = 0; n < 20; ++n, power *= 10) {
    for (const std::uint64_t value : {power - 1, power, power + 99 * (power / 100)}) {
      char expected[kFieldTextCapacity];
      const auto end = std::to_chars(expected, expected + sizeof expected, value).ptr;
      EXPECT_EQ(std::string_view(out, WriteUnsignedDecimal(out, value)),
                std::string_view(expected, static_cast<std::size_t>(end - expected)));
    }
  }
  EXPECT_EQ(std::string_view(out, WriteUnsignedDecimal(out, ~std::uint64_t{0})),
            "18446744073709551615");
  EXPECT_EQ(std::string_view(out, WriteDecimal(out, std::numeric_limits<std::int64_t>::min())),
            "-9223372036854775808");
}

}  // namespace
}  // namespace marlit
