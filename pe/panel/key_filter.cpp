#include "pe/panel/key_filter.h"

#include "platform/errors.h"

namespace marlit::UseString {

namespace {

// Replaces the clipboard's text by the part of it the field takes; with no text on the clipboard
// the key is cancelled and the clipboard left as it is.
void FilterPaste(std::int32_t& code, Radix mode, Clipboard& clipboard, Beeper& beeper) {
  const std::optional<std::u16string> text = clipboard.ReadText();
  if (!text) {
    code = 0;
    return;
  }
  const std::u16string kept = KeptPasteText(*text, mode, beeper);
  clipboard.Clear();
  clipboard.WriteText(kept);
}

bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// The number in a pasted text as debuggers and disassemblers copy it: without the white space
// around it and, in hexadecimal mode, without a 0x prefix or an h suffix.
std::u16string_view PastedNumber(std::u16string_view text, Radix mode) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  if (mode != Radix::Hex) return text;
  if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    text.remove_prefix(2);
  }
  if (!text.empty() && (text.back() == u'h' || text.back() == u'H')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

void FilterKeyChar(std::int32_t& code, Radix mode, Beeper& beeper) {
  if (IsAllowedChar(code, mode)) return;
  code = 0;
  beeper.Beep();
}

void FilterNumericKey(std::int32_t& code, Radix mode, Clipboard& clipboard, Beeper& beeper) {
  if (code < 0 || code > kLastControlCode) FilterKeyChar(code, mode, beeper);
  if (code != kPasteKey) return;
  try {
    FilterPaste(code, mode, clipboard, beeper);
  } catch (const PlatformError&) {
    // Unfiltered text must not reach the field.
    code = 0;
    throw;
  }
}

std::u16string KeptPasteText(std::u16string_view pasted, Radix mode, Beeper& beeper) {
  const std::u16string_view text = PastedNumber(pasted, mode);
  // A text of nothing but white space or a bare prefix is refused as a wrong character is.
  if (text.empty() && !pasted.empty()) beeper.Beep();
  std::size_t kept = 0;
  for (; kept < text.size(); ++kept) {
    std::int32_t code = text[kept];
    FilterKeyChar(code, mode, beeper);
    if (code == 0) break;
  }
  return std::u16string(text.substr(0, kept));
}

}  // namespace marlit::UseString
