#include "pe/panel/program_extension.h"

#include <algorithm>
#include <array>
#include <string>

namespace marlit {

bool HasProgramExtension(std::u16string_view fileName) {
  static constexpr std::array<std::u16string_view, 3> kExtensions{u".exe", u".dll", u".ocx"};
  constexpr std::size_t kLength = 4;
  if (fileName.size() < kLength) return false;
  std::u16string ending(fileName.substr(fileName.size() - kLength));
  for (char16_t& c : ending) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return std::ranges::find(kExtensions, ending) != kExtensions.end();
}

}  // namespace marlit
