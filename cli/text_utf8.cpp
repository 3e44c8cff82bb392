#include "cli/text_utf8.h"

#include <unicode/unistr.h>

namespace marlit::cli {

std::string ToUtf8(std::u16string_view text) {
  // A read-only alias: no copy of the UTF-16 text is made.
  const icu::UnicodeString alias(false, text.data(), static_cast<int32_t>(text.size()));
  std::string out;
  alias.toUTF8String(out);
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  const icu::UnicodeString decoded = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  return std::u16string(decoded.getBuffer(), static_cast<std::size_t>(decoded.length()));
}

std::string MessageText(std::u16string_view text) {
  std::string utf8 = ToUtf8(text);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    out.push_back(utf8[i]);
  }
  return out;
}

std::string TabSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      out += "\xEF\xBF\xBD";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace marlit::cli
