// The key filter and the paste filter over arbitrary UTF-16 text (the input's bytes taken two by
// two, little-endian), in both radixes, against the rule of the number fields: digits of the radix
// pass, everything else is refused with one beep, a paste keeps the text before the first refused
// character, and what the field can hold of it reads back as the same number.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "fuzz/utf16_bytes.h"
#include "pe/panel/key_filter.h"
#include "pe/panel/number_text.h"
#include "platform/errors.h"
#include "tests/fakes/fakes.h"

namespace marlit {
namespace {

using UseString::kPasteKey;

// The most characters typing and pasting leave in a number field of each radix.
constexpr std::size_t kHexFieldLimit = 8;
constexpr std::size_t kDecimalFieldLimit = 10;
constexpr std::int32_t kLastControlCode = 26;

bool Allowed(std::int32_t code, Radix mode) {
  const std::u16string_view digits =
      mode == Radix::Hex ? std::u16string_view(u"0123456789ABCDEFabcdef") : u"0123456789";
  return code >= 0 && code <= 0xFFFF && digits.find(static_cast<char16_t>(code)) != digits.npos;
}

void CheckKeyChar(std::int32_t code, Radix mode) {
  fake::FakeBeeper beeper;
  std::int32_t filtered = code;
  UseString::FilterKeyChar(filtered, mode, beeper);
  const bool allowed = Allowed(code, mode);
  MARLIT_REQUIRE(filtered == (allowed ? code : 0));
  MARLIT_REQUIRE(beeper.beeps == (allowed ? 0 : 1));
}

// Every key but Ctrl+V; control keys pass untouched, the rest as FilterKeyChar judges them. The
// clipboard is never touched.
void CheckNumericKey(std::int32_t code, Radix mode) {
  if (code == kPasteKey) return;
  fake::FakeBeeper beeper;
  fake::FakeClipboard clipboard;
  clipboard.text = u"1";
  std::int32_t filtered = code;
  UseString::FilterNumericKey(filtered, mode, clipboard, beeper);
  const bool passes = (code >= 0 && code <= kLastControlCode) || Allowed(code, mode);
  MARLIT_REQUIRE(filtered == (passes ? code : 0));
  MARLIT_REQUIRE(beeper.beeps == (passes ? 0 : 1));
  MARLIT_REQUIRE(clipboard.clears == 0 && clipboard.writes == 0 && clipboard.text == u"1");
}

// The number a pasted text holds: the text within its white space, and in hexadecimal without a
// 0x or 0X before it or an h or H after it.
std::u16string_view PastedNumber(std::u16string_view text, Radix mode) {
  const auto first = text.find_first_not_of(u" \t\n\v\f\r");
  if (first == std::u16string_view::npos) return {};
  text = text.substr(first, text.find_last_not_of(u" \t\n\v\f\r") - first + 1);
  if (mode == Radix::Hex && (text.starts_with(u"0x") || text.starts_with(u"0X"))) {
    text.remove_prefix(2);
  }
  if (mode == Radix::Hex && (text.ends_with(u'h') || text.ends_with(u'H'))) text.remove_suffix(1);
  return text;
}

// One beep when the kept text stops short of the number, or when the text holds no number.
int PasteBeeps(std::u16string_view text, std::u16string_view kept, Radix mode) {
  const std::u16string_view number = PastedNumber(text, mode);
  return kept.size() < number.size() || (number.empty() && !text.empty()) ? 1 : 0;
}

// The kept text is the longest prefix of allowed characters of the pasted number.
std::u16string CheckKept(std::u16string_view text, Radix mode) {
  fake::FakeBeeper beeper;
  const std::u16string kept = UseString::KeptPasteText(text, mode, beeper);
  const std::u16string_view number = PastedNumber(text, mode);
  MARLIT_REQUIRE(number.starts_with(kept));
  for (char16_t c : kept) MARLIT_REQUIRE(Allowed(c, mode));
  MARLIT_REQUIRE(kept.size() == number.size() || !Allowed(number[kept.size()], mode));
  MARLIT_REQUIRE(beeper.beeps == PasteBeeps(text, kept, mode));
  return kept;
}

// Ctrl+V with text on the clipboard, with none, and with a clipboard that fails.
void CheckPaste(std::u16string_view text, std::u16string_view kept, Radix mode) {
  {
    fake::FakeBeeper beeper;
    fake::FakeClipboard clipboard;
    clipboard.text = std::u16string(text);
    std::int32_t code = kPasteKey;
    UseString::FilterNumericKey(code, mode, clipboard, beeper);
    MARLIT_REQUIRE(code == kPasteKey);
    MARLIT_REQUIRE(clipboard.text == kept);
    MARLIT_REQUIRE(clipboard.clears == 1 && clipboard.writes == 1);
    MARLIT_REQUIRE(beeper.beeps == PasteBeeps(text, kept, mode));
  }
  {
    fake::FakeBeeper beeper;
    fake::FakeClipboard clipboard;
    std::int32_t code = kPasteKey;
    UseString::FilterNumericKey(code, mode, clipboard, beeper);
    MARLIT_REQUIRE(code == 0 && !clipboard.text.has_value());
    MARLIT_REQUIRE(clipboard.clears == 0 && clipboard.writes == 0 && beeper.beeps == 0);
  }
  {
    fake::FakeBeeper beeper;
    fake::FakeClipboard clipboard;
    clipboard.text = std::u16string(text);
    clipboard.failWith = "clipboard busy";
    std::int32_t code = kPasteKey;
    bool raised = false;
    try {
      UseString::FilterNumericKey(code, mode, clipboard, beeper);
    } catch (const PlatformError&) {
      raised = true;
    }
    MARLIT_REQUIRE(raised && code == 0 && beeper.beeps == 0);
  }
}

std::u16string_view WithoutLeadingZeros(std::u16string_view digits) {
  const std::size_t first = digits.find_first_not_of(u'0');
  return first == digits.npos ? std::u16string_view() : digits.substr(first);
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'f' ? static_cast<char16_t>(c - 32) : c; }

// What the field holds of the kept text reads as a number whose text is those digits, without
// leading zeros (and in upper case); the hexadecimal reading ignores digits past the field's.
void CheckFieldReading(std::u16string_view kept, Radix mode) {
  if (mode == Radix::Hex) {
    const std::u16string_view field = kept.substr(0, kHexFieldLimit);
    const std::int32_t value = ParseHexField(kept);
    MARLIT_REQUIRE(value == ParseHexField(field));
    std::u16string expected(WithoutLeadingZeros(field));
    for (char16_t& c : expected) c = Upper(c);
    if (expected.empty()) expected = u"0";
    MARLIT_REQUIRE(HexFieldText(value) == expected);
    return;
  }
  const std::u16string_view field = kept.substr(0, kDecimalFieldLimit);
  std::uint64_t number = 0;
  for (char16_t c : field) number = number * 10 + static_cast<std::uint64_t>(c - u'0');
  try {
    const std::int32_t value = ParseDecimalField(field);
    MARLIT_REQUIRE(static_cast<std::uint64_t>(value) == number);
    const std::u16string_view digits = WithoutLeadingZeros(field);
    MARLIT_REQUIRE(FieldNumberText(Radix::Decimal, NumberWidth::Narrow, value) ==
                   (digits.empty() ? u"0" : digits));
  } catch (const OverflowError&) {
    MARLIT_REQUIRE(number > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()));
  }
}

}  // namespace
}  // namespace marlit

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace marlit;
  const std::u16string text = fuzz::Utf16FromBytes(data, size);
  for (Radix mode : {Radix::Decimal, Radix::Hex}) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      CheckKeyChar(text[i], mode);
      CheckNumericKey(text[i], mode);
      // Two code units side by side as one 32-bit code: negative codes and codes past UTF-16.
      if (i + 1 < text.size()) {
        const auto wide =
            static_cast<std::int32_t>(std::uint32_t{text[i]} | std::uint32_t{text[i + 1]} << 16);
        CheckKeyChar(wide, mode);
        CheckNumericKey(wide, mode);
      }
    }
    const std::u16string kept = CheckKept(text, mode);
    CheckPaste(text, kept, mode);
    CheckFieldReading(kept, mode);
  }
  return 0;
}
