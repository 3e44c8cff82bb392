#pragma once
// Texts held in fields and buffers of fixed size, which end at their first NUL.

#include <string_view>

namespace marlit {

// The characters of text before its first NUL; all of it when there is none.
[[nodiscard]] constexpr std::u16string_view CutAtNul(std::u16string_view text) {
  return text.substr(0, text.find(u'\0'));
}

}  // namespace marlit
