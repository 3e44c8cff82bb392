#pragma once
// The program's own version information and folder.

#include <filesystem>
#include <string>

namespace marlit {

struct VersionInfo {
  std::u16string ProductName;
  int Major = 0;
  int Minor = 0;
};

// The version information of this build (the CMake project's name and version).
[[nodiscard]] VersionInfo ProgramVersion();

// The folder that holds the running executable.
[[nodiscard]] std::filesystem::path ProgramFolder();

}  // namespace marlit
