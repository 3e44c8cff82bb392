#pragma once
// The value texts that marlit-cli types into the conversion panel, checked as the window's number
// fields would take them.

#include <string_view>

#include "pe/panel/conversion_panel.h"
#include "pe/panel/key_filter.h"

namespace marlit::cli {

using marlit::Radix;

// -o types into 實偏移, -a into 虛偏移.
enum class Field { FileOffset, MemoryAddress };

[[nodiscard]] constexpr PanelField PanelFieldOf(Field field) {
  return field == Field::FileOffset ? PanelField::實偏移 : PanelField::虛偏移;
}

enum class TextProblem { None, RefusedCharacter, TooLong, NoDigitsAfterPrefix };

// A value as given, without the white space around it, which a value copied from elsewhere
// often carries.
[[nodiscard]] constexpr std::string_view TrimmedValue(std::string_view value) {
  constexpr std::string_view kWhiteSpace = " \t\v\f\r";
  const std::size_t start = value.find_first_not_of(kWhiteSpace);
  if (start == std::string_view::npos) return {};
  return value.substr(start, value.find_last_not_of(kWhiteSpace) + 1 - start);
}

// The text a value puts into its field: without white space around it, and in hexadecimal
// without its 0x prefix.
[[nodiscard]] constexpr std::string_view FieldTextOf(std::string_view value, Radix radix) {
  value = TrimmedValue(value);
  if (radix == Radix::Hex && value.size() >= 2 && value[0] == '0' &&
      (value[1] == 'x' || value[1] == 'X')) {
    value.remove_prefix(2);
  }
  return value;
}

// The key filter's marks of every byte of text, or-ed together. Bytes of a multi-byte character
// are above 127 and refused like the character itself.
[[nodiscard]] inline std::uint8_t ByteMarks(std::string_view text) {
  std::uint8_t marks = 0;
  for (const char c : text) marks |= UseString::kByteRule[static_cast<unsigned char>(c)];
  return marks;
}

// Whether the field would take a text of size bytes whose ByteMarks are marks: every character
// must pass the key filter of the radix, and the field takes at most limit characters.
[[nodiscard]] constexpr TextProblem JudgeFieldText(std::uint8_t marks, std::size_t size,
                                                   Radix radix, int limit) {
  const std::uint8_t refused =
      radix == Radix::Hex ? UseString::kHexRefused : UseString::kDecimalRefused;
  if ((marks & refused) != 0) return TextProblem::RefusedCharacter;
  if (size > static_cast<std::size_t>(limit)) return TextProblem::TooLong;
  return TextProblem::None;
}

[[nodiscard]] inline TextProblem CheckFieldText(std::string_view fieldText, Radix radix,
                                                int limit) {
  return JudgeFieldText(ByteMarks(fieldText), fieldText.size(), radix, limit);
}

// The same for a value as given: "0x" alone has no digits.
[[nodiscard]] inline TextProblem CheckValue(std::string_view value, Radix radix, int limit) {
  value = TrimmedValue(value);
  const std::string_view fieldText = FieldTextOf(value, radix);
  if (fieldText.empty() && value.size() == 2) return TextProblem::NoDigitsAfterPrefix;
  return CheckFieldText(fieldText, radix, limit);
}

}  // namespace marlit::cli
