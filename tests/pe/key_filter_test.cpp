#include "pe/key_filter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "tests/fakes/fakes.h"

namespace marlit::UseString {
namespace {

struct KeyCase {
  std::int32_t code;
  Radix mode;
  bool passes;
};

TEST(KeyFilterTest, KeysOfEachMode) {
  const KeyCase cases[] = {
      {'0', Radix::Hex, true},
      {'9', Radix::Hex, true},
      {'a', Radix::Hex, true},
      {'f', Radix::Hex, true},
      {'A', Radix::Hex, true},
      {'F', Radix::Hex, true},
      {'g', Radix::Hex, false},
      {'G', Radix::Hex, false},
      {' ', Radix::Hex, false},
      {'-', Radix::Hex, false},
      {'5', Radix::Decimal, true},
      {'A', Radix::Decimal, false},
      {'a', Radix::Decimal, false},
      {'.', Radix::Decimal, false},
      // Control keys pass unfiltered; Escape and anything outside 0 .. 26 is filtered.
      {8, Radix::Hex, true},
      {13, Radix::Decimal, true},
      {3, Radix::Hex, true},
      {24, Radix::Decimal, true},
      {26, Radix::Hex, true},
      {9, Radix::Decimal, true},
      {0, Radix::Hex, true},
      {27, Radix::Hex, false},
      {27, Radix::Decimal, false},
      {-1, Radix::Hex, false},
      {-48, Radix::Decimal, false},
      // Characters beyond ASCII, whatever they look like.
      {0x4E2D, Radix::Hex, false},
      {0x4E2D, Radix::Decimal, false},
      {0xFF10, Radix::Decimal, false},
      {0xFF21, Radix::Hex, false},
      {0xD800, Radix::Hex, false},
      {0xDC00, Radix::Decimal, false},
      {128, Radix::Hex, false},
      {0x10030, Radix::Decimal, false},
  };
  for (const KeyCase& c : cases) {
    fake::FakeClipboard clipboard;
    fake::FakeBeeper beeper;
    std::int32_t code = c.code;
    FilterNumericKey(code, c.mode, clipboard, beeper);
    EXPECT_EQ(code, c.passes ? c.code : 0) << c.code << (c.mode == Radix::Hex ? " hex" : " decimal");
    EXPECT_EQ(beeper.beeps, c.passes ? 0 : 1) << c.code << (c.mode == Radix::Hex ? " hex" : " decimal");
    EXPECT_EQ(clipboard.clears + clipboard.writes, 0);
  }
}

TEST(KeyFilterTest, PasteKeepsTheTextBeforeTheFirstRefusedCharacter) {
  struct Case {
    std::optional<std::u16string> clipboard;
    Radix mode;
    std::int32_t code;  // after filtering
    std::optional<std::u16string> clipboardAfter;
    int beeps;
    int writes;
  };
  const Case cases[] = {
      {u"12x34", Radix::Hex, kPasteKey, u"12", 1, 1},
      {u"x", Radix::Hex, kPasteKey, u"", 1, 1},
      {u"", Radix::Hex, kPasteKey, u"", 0, 1},
      {u"00401aF0", Radix::Hex, kPasteKey, u"00401aF0", 0, 1},
      {u"1234abc", Radix::Decimal, kPasteKey, u"1234", 1, 1},
      {u"12\r\n", Radix::Decimal, kPasteKey, u"12", 0, 1},
      {u"1\U0001F600", Radix::Hex, kPasteKey, u"1", 1, 1},
      {std::u16string(u"4\0"
                      u"5",
                      3),
       Radix::Decimal, kPasteKey, u"4", 1, 1},
      {std::nullopt, Radix::Hex, 0, std::nullopt, 0, 0},  // an image, but no text
      // The digits of a copied number: its markers and the white space around it go.
      {u"0x69841234", Radix::Hex, kPasteKey, u"69841234", 0, 1},
      {u"0X00401000", Radix::Hex, kPasteKey, u"00401000", 0, 1},
      {u"401000h", Radix::Hex, kPasteKey, u"401000", 0, 1},
      {u"401000H", Radix::Hex, kPasteKey, u"401000", 0, 1},
      {u"\t0x401000h\r\n", Radix::Hex, kPasteKey, u"401000", 0, 1},
      {u"0x", Radix::Hex, kPasteKey, u"", 1, 1},
      {u"   ", Radix::Hex, kPasteKey, u"", 1, 1},
      {u"h", Radix::Hex, kPasteKey, u"", 1, 1},
      {u"12 34", Radix::Hex, kPasteKey, u"12", 1, 1},  // white space inside still stops the paste
      {u"0x401000", Radix::Decimal, kPasteKey, u"0", 1, 1},  // the markers are hexadecimal ones
      {u"4096h", Radix::Decimal, kPasteKey, u"4096", 1, 1},
      {u" 4096\n", Radix::Decimal, kPasteKey, u"4096", 0, 1},
  };
  for (const Case& c : cases) {
    fake::FakeClipboard clipboard;
    clipboard.text = c.clipboard;
    fake::FakeBeeper beeper;
    std::int32_t code = kPasteKey;
    FilterNumericKey(code, c.mode, clipboard, beeper);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(clipboard.text, c.clipboardAfter);
    EXPECT_EQ(beeper.beeps, c.beeps);
    EXPECT_EQ(clipboard.writes, c.writes);
    EXPECT_EQ(clipboard.clears, c.writes);
  }
}

TEST(KeyFilterTest, AFailingClipboardCancelsThePaste) {
  fake::FakeClipboard clipboard;
  clipboard.text = u"12";
  clipboard.failWith = "clipboard busy";
  fake::FakeBeeper beeper;
  std::int32_t code = kPasteKey;
  EXPECT_THROW(FilterNumericKey(code, Radix::Hex, clipboard, beeper), PlatformError);
  EXPECT_EQ(code, 0);
}

TEST(KeyFilterTest, ByteRuleIsTheRuleOfEveryByteWithItsDigit) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  for (std::int32_t c = 0; c < 256; ++c) {
    const std::uint8_t entry = kByteRule[static_cast<std::size_t>(c)];
    EXPECT_EQ((entry & kHexRefused) == 0, IsAllowedChar(c, Radix::Hex)) << c;
    EXPECT_EQ((entry & kDecimalRefused) == 0, IsAllowedChar(c, Radix::Decimal)) << c;
    if ((entry & kHexRefused) == 0) {
      const char lower = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
      EXPECT_EQ(static_cast<std::size_t>(entry & 0xF), kDigits.find(lower)) << c;
    }
  }
}

}  // namespace
}  // namespace marlit::UseString
