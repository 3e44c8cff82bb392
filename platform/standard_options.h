#pragma once
// --help and --version, which every Linux program answers before it does anything else. They are
// taken only as the whole first argument, so that every other first argument (a file named "-x"
// or one with blanks) reaches the program as before. Header-only: Tessaly uses it too.

#include <optional>
#include <ostream>
#include <string_view>

namespace marlit {

enum class StandardOption { None, Help, Version };

[[nodiscard]] inline StandardOption StandardOptionOf(int argc, const char* const* argv) {
  if (argc < 2 || argv[1] == nullptr) return StandardOption::None;
  const std::string_view first = argv[1];
  if (first == "--help") return StandardOption::Help;
  if (first == "--version") return StandardOption::Version;
  return StandardOption::None;
}

// Writes the help or the version text to out when the command line asks for it, and gives the
// program's exit status then: 0, or 1 when the text could not be written. Nothing when the
// program goes on.
[[nodiscard]] inline std::optional<int> AnswerStandardOption(int argc, const char* const* argv,
                                                             std::string_view help,
                                                             std::string_view version,
                                                             std::ostream& out) {
  const StandardOption option = StandardOptionOf(argc, argv);
  if (option == StandardOption::None) return std::nullopt;
  out << (option == StandardOption::Help ? help : version) << '\n' << std::flush;
  return out ? 0 : 1;
}

// The licence lines under each program's version.
inline constexpr std::string_view kLicenceLines =
    "Copyright (c) The Marlit developers\n"
    "MIT License: this is free software; you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.";

}  // namespace marlit
