#include "mainwindow/main_module.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/checked.h"
#include "platform/errors.h"
#include "support/perl2.h"

namespace marlit {

namespace {

// The hot-key combination, as the program has always stored it: three decimal key codes.
constexpr const char16_t* kHotKeyText = u"088,000,000";

// A field of the hot-key text read as a decimal number and rounded to the nearest integer.
std::int32_t ReadKeyCode(const Perl2::Value& field) {
  const std::u16string text = Perl2::TextOf(field);
  std::string ascii;
  for (char16_t c : text) {
    if (c > 0x7F) throw TypeMismatchError("not a number");
    ascii.push_back(static_cast<char>(c));
  }
  char* end = nullptr;
  const double v = std::strtod(ascii.c_str(), &end);
  if (ascii.empty() || end != ascii.c_str() + ascii.size() || !std::isfinite(v)) {
    throw TypeMismatchError("not a number");
  }
  return CheckedNarrow<std::int32_t>(std::llround(v));
}

}  // namespace

void InitMainModule(主模組& module) {
  module.HexByteText = BuildHexByteText();
  // The foreground window's owner is compared with this: on X11 a window's owner is its process.
  module.MainThreadId = static_cast<std::int64_t>(getpid());
  const Perl2::Value fields = Perl2::Split(u",", kHotKeyText, 3);
  const auto& list = std::get<Perl2::List>(fields);
  for (std::int32_t i = 0; i < 3; ++i) {
    module.HotKeyCodes[static_cast<std::size_t>(i)] = ReadKeyCode(list.At(list.Lower() + i));
  }
  module.HotKeyEnabled = true;
}

}  // namespace marlit
