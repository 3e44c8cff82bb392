#pragma once
// The error habits of 主窗體's handlers, shared by the files that hold them.

#include <QString>
#include <string>

#include "platform/qt/qt_text.h"

namespace marlit {

// Runs one step of a handler whose failing steps are skipped.
template <typename F>
void Skipping(F&& step) {
  try {
    step();
  } catch (...) {
  }
}

// The description of an error as the messages show it.
[[nodiscard]] inline std::u16string ErrorDescription(const char* what) {
  return ToU16(QString::fromUtf8(what));
}

}  // namespace marlit
