#include "cli/value_check.h"

#include "pe/key_filter.h"

namespace marlit::cli {
namespace {

bool HasHexPrefix(std::string_view value) {
  return value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
}

}  // namespace

std::string_view FieldTextOf(std::string_view value, Radix radix) {
  if (radix == Radix::Hex && HasHexPrefix(value)) value.remove_prefix(2);
  return value;
}

TextProblem CheckFieldText(std::string_view fieldText, Radix radix, int limit) {
  const std::int32_t mode = radix == Radix::Hex ? UseString::kHexMode : UseString::kDecimalMode;
  for (const char c : fieldText) {
    // Bytes of a multi-byte character are above 127 and refused like the character itself.
    if (!UseString::IsAllowedChar(static_cast<unsigned char>(c), mode)) {
      return TextProblem::RefusedCharacter;
    }
  }
  if (fieldText.size() > static_cast<std::size_t>(limit)) return TextProblem::TooLong;
  return TextProblem::None;
}

TextProblem CheckValue(std::string_view value, Radix radix, int limit) {
  if (radix == Radix::Hex && value.size() == 2 && HasHexPrefix(value)) {
    return TextProblem::NoDigitsAfterPrefix;
  }
  return CheckFieldText(FieldTextOf(value, radix), radix, limit);
}

}  // namespace marlit::cli
