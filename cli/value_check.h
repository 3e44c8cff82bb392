#pragma once
// The value texts that marlit-cli types into the conversion panel, checked as the window's number
// fields would take them.

#include <string_view>

#include "pe/conversion_panel.h"

namespace marlit::cli {

using marlit::Radix;

// -o types into 實偏移, -a into 虛偏移.
enum class Field { FileOffset, MemoryAddress };

[[nodiscard]] constexpr PanelField PanelFieldOf(Field field) {
  return field == Field::FileOffset ? PanelField::實偏移 : PanelField::虛偏移;
}

enum class TextProblem { None, RefusedCharacter, TooLong, NoDigitsAfterPrefix };

// The text a value puts into its field: in hexadecimal without its 0x prefix.
[[nodiscard]] std::string_view FieldTextOf(std::string_view value, Radix radix);
// Whether the field would take fieldText: every character must pass the key filter of the radix,
// and the field takes at most limit characters.
[[nodiscard]] TextProblem CheckFieldText(std::string_view fieldText, Radix radix, int limit);
[[nodiscard]] TextProblem CheckValue(std::string_view value, Radix radix, int limit);

}  // namespace marlit::cli
