#pragma once
// The program's own version information and folder.

#include <string>
#include <string_view>

namespace marlit {

struct VersionInfo {
  std::u16string ProductName;
  int Major = 0;
  int Minor = 0;
};

// The version information of this build (the CMake project's name and version).
[[nodiscard]] VersionInfo ProgramVersion();

// What --version prints: the program's name, its product name and version, and the licence.
[[nodiscard]] std::string VersionText(std::string_view program);

}  // namespace marlit
