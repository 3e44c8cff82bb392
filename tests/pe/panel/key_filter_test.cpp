#include "pe/panel/key_filter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "tests/fakes/fakes.h"

namespace marlit::UseString {
namespace {

constexpr Radix kHexMode = Radix::Hex;
constexpr Radix kDecimalMode = Radix::Decimal;

struct KeyCase {
  std::int32_t code;
  Radix mode;
  bool passes;
};

TEST(KeyFilterTest, KeysOfEachMode) {
  const KeyCase cases[] = {
      {'0', kHexMode, true},
      {'9', kHexMode, true},
      {'a', kHexMode, true},
      {'f', kHexMode, true},
      {'A', kHexMode, true},
      {'F', kHexMode, true},
      {'g', kHexMode, false},
      {'G', kHexMode, false},
      {' ', kHexMode, false},
      {'-', kHexMode, false},
      {'5', kDecimalMode, true},
      {'A', kDecimalMode, false},
      {'a', kDecimalMode, false},
      {'.', kDecimalMode, false},
      // Control keys pass unfiltered; Escape and anything outside 0 .. 26 is filtered.
      {8, kHexMode, true},
      {13, kDecimalMode, true},
      {3, kHexMode, true},
      {24, kDecimalMode, true},
      {26, kHexMode, true},
      {9, kDecimalMode, true},
      {0, kHexMode, true},
      {27, kHexMode, false},
      {27, kDecimalMode, false},
      {-1, kHexMode, false},
      {-48, kDecimalMode, false},
      // Characters beyond ASCII, whatever they look like.
      {0x4E2D, kHexMode, false},
      {0x4E2D, kDecimalMode, false},
      {0xFF10, kDecimalMode, false},
      {0xFF21, kHexMode, false},
      {0xD800, kHexMode, false},
      {0xDC00, kDecimalMode, false},
      {128, kHexMode, false},
      {0x10030, kDecimalMode, false},
  };
  for (const KeyCase& c : cases) {
    fake::FakeClipboard clipboard;
    fake::FakeBeeper beeper;
    std::int32_t code = c.code;
    FilterNumericKey(code, c.mode, clipboard, beeper);
    EXPECT_EQ(code, c.passes ? c.code : 0) << c.code << (c.mode == kHexMode ? " hex" : " decimal");
    EXPECT_EQ(beeper.beeps, c.passes ? 0 : 1)
        << c.code << (c.mode == kHexMode ? " hex" : " decimal");
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
      {u"12x34", kHexMode, kPasteKey, u"12", 1, 1},
      {u"x", kHexMode, kPasteKey, u"", 1, 1},
      {u"", kHexMode, kPasteKey, u"", 0, 1},
      {u"00401aF0", kHexMode, kPasteKey, u"00401aF0", 0, 1},
      {u"1234abc", kDecimalMode, kPasteKey, u"1234", 1, 1},
      {u"12\r\n", kDecimalMode, kPasteKey, u"12", 0, 1},
      {u"1\U0001F600", kHexMode, kPasteKey, u"1", 1, 1},
      {std::u16string(u"4\0"
                      u"5",
                      3),
       kDecimalMode, kPasteKey, u"4", 1, 1},
      {std::nullopt, kHexMode, 0, std::nullopt, 0, 0},  // an image, but no text
      // The digits of a copied number: its markers and the white space around it go.
      {u"0X00401000", kHexMode, kPasteKey, u"00401000", 0, 1},
      {u"401000H", kHexMode, kPasteKey, u"401000", 0, 1},
      {u"\t0x401000h\r\n", kHexMode, kPasteKey, u"401000", 0, 1},
      {u"0x", kHexMode, kPasteKey, u"", 1, 1},
      {u"12 34", kHexMode, kPasteKey, u"12", 1, 1},  // white space inside still stops the paste
      {u"0x401000", kDecimalMode, kPasteKey, u"0", 1, 1},  // the markers are hexadecimal ones
      {u"4096h", kDecimalMode, kPasteKey, u"4096", 1, 1},
      {u" 4096\n", kDecimalMode, kPasteKey, u"4096", 0, 1},
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
  EXPECT_THROW(FilterNumericKey(code, kHexMode, clipboard, beeper), PlatformError);
  EXPECT_EQ(code, 0);
}

TEST(KeyFilterTest, ByteRuleIsTheRuleOfEveryByteWithItsDigit) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  for (std::int32_t c = 0; c < 256; ++c) {
    const std::uint8_t entry = kByteRule[static_cast<std::size_t>(c)];
    EXPECT_EQ((entry & kHexRefused) == 0, IsAllowedChar(c, kHexMode)) << c;
    EXPECT_EQ((entry & kDecimalRefused) == 0, IsAllowedChar(c, kDecimalMode)) << c;
    if ((entry & kHexRefused) == 0) {
      const char lower = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
      EXPECT_EQ(static_cast<std::size_t>(entry & 0xF), kDigits.find(lower)) << c;
    }
  }
}

}  // namespace
}  // namespace marlit::UseString
