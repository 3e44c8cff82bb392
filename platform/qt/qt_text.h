#pragma once
// The one adapter between the core's texts and Qt's: UTF-16 both ways, and the ASCII texts of
// the number fields.

#include <QString>
#include <string>
#include <string_view>

namespace marlit {

[[nodiscard]] inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

[[nodiscard]] inline QString ToQString(std::string_view ascii) {
  return QString::fromLatin1(ascii.data(), static_cast<qsizetype>(ascii.size()));
}

[[nodiscard]] inline std::u16string ToU16(const QString& text) { return text.toStdU16String(); }

// A number field's text for the conversion panel: its ASCII characters as they are, any other
// character as one that no field takes, so that reading stops there as it would on the original.
[[nodiscard]] inline std::string ToFieldChars(const QString& text) {
  std::string chars(static_cast<std::size_t>(text.size()), '?');
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c < 0x80) chars[static_cast<std::size_t>(i)] = static_cast<char>(c);
  }
  return chars;
}

}  // namespace marlit
