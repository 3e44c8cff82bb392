#pragma once
// A run of marlit-cli: analyse the file, then either print its section table or translate the
// values in the order given, one output line per value.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/block_input.h"
#include "cli/value_check.h"
#include "cli/value_runner.h"

namespace marlit::cli {

// The value "-" reads one value a line from the input stream.
inline constexpr std::string_view kFromInput = "-";

struct ValueRequest {
  Field field = Field::FileOffset;
  std::string value;
};

struct Options {
  std::filesystem::path file;
  std::vector<ValueRequest> values;  // in command-line order
  Radix radix = Radix::Hex;
  bool rva = false;     // OmitImageBase
  bool loader = false;  // the loader's view in place of the raw one
  // The load address, as given: in the image base's place in every record.
  std::optional<std::string> base;
  // Each value's references in place of its translation.
  bool refs = false;
  bool json = false;
  bool yes = false;  // OK to the question about more than 20 sections
  std::vector<std::string> exclude;
};

[[nodiscard]] int Run(const Options& options, BlockInput& in, std::ostream& out, std::ostream& err);

}  // namespace marlit::cli
