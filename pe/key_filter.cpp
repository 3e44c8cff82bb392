#include "pe/key_filter.h"

#include "platform/errors.h"

namespace marlit::UseString {

namespace {

// Replaces the clipboard's text by the part of it the field takes; with no text on the clipboard
// the key is cancelled and the clipboard left as it is.
void FilterPaste(std::int32_t& code, std::int32_t mode, Clipboard& clipboard, Beeper& beeper) {
  const std::optional<std::u16string> text = clipboard.ReadText();
  if (!text) {
    code = 0;
    return;
  }
  const std::u16string kept = KeptPasteText(*text, mode, beeper);
  clipboard.Clear();
  clipboard.WriteText(kept);
}

}  // namespace

void FilterKeyChar(std::int32_t& code, std::int32_t mode, Beeper& beeper) {
  if (IsAllowedChar(code, mode)) return;
  code = 0;
  beeper.Beep();
}

void FilterNumericKey(std::int32_t& code, std::int32_t mode, Clipboard& clipboard, Beeper& beeper) {
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

std::u16string KeptPasteText(std::u16string_view text, std::int32_t mode, Beeper& beeper) {
  std::size_t kept = 0;
  for (; kept < text.size(); ++kept) {
    std::int32_t code = text[kept];
    FilterKeyChar(code, mode, beeper);
    if (code == 0) break;
  }
  return std::u16string(text.substr(0, kept));
}

}  // namespace marlit::UseString
