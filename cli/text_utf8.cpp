#include "cli/text_utf8.h"

#include <unicode/utf8.h>

#include <cstdint>

#include "platform/translation.h"

namespace marlit::cli {

std::string MessageText(std::u16string_view text) {
  std::string utf8 = Utf8FromUtf16(text);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    out.push_back(utf8[i]);
  }
  return out;
}

namespace {

constexpr bool IsControl(UChar32 c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// Calls each(c, bytes) for every character of text, c < 0 for bytes that are not UTF-8.
template <typename Each>
void ForEachCharacter(std::string_view text, Each each) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  for (std::int32_t i = 0; i < length;) {
    const std::int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    each(c, text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
  }
}

}  // namespace

std::string TabSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCharacter(text, [&out](UChar32 c, std::string_view bytes) {
    if (c < 0 || IsControl(c)) {
      out += "\xEF\xBF\xBD";
    } else {
      out += bytes;
    }
  });
  return out;
}

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCharacter(text, [&out](UChar32 c, std::string_view bytes) {
    if (c >= 0 && (!IsControl(c) || c == '\n' || c == '\t')) {
      out += bytes;
      return;
    }
    for (const char b : bytes) {
      constexpr std::string_view kDigits = "0123456789ABCDEF";
      const auto byte = static_cast<unsigned char>(b);
      out += "\\x";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0xF];
    }
  });
  return out;
}

}  // namespace marlit::cli
