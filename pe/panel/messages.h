#pragma once
// The messages about values that the window and marlit-cli both give; the loader's are in
// pe/loader_messages.h.

#include <string>
#include <string_view>

#include "platform/translation.h"

namespace marlit {

// A value, or its translation, does not fit its field.
inline constexpr Text kValueOverflowMessage = u"溢出！請填寫正確的數值。";

// No record of the table is named name, so none can be left out.
[[nodiscard]] inline std::u16string NoSuchSectionMessage(std::u16string_view name) {
  return FillIn(Translate(u"沒有名為「%1」的區段，無法排除。"), {name});
}

}  // namespace marlit
