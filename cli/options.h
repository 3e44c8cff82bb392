#pragma once
// The command line of marlit-cli.

#include <optional>
#include <ostream>

#include "cli/batch.h"

namespace marlit::cli {

struct ParsedCommandLine {
  Options options;
  // Set when the run ends here: after --help or --version (0) or a usage error (2), whose message
  // is written.
  std::optional<int> exitStatus;
};

[[nodiscard]] ParsedCommandLine ParseCommandLine(int argc, const char* const* argv,
                                                 std::ostream& out, std::ostream& err);

}  // namespace marlit::cli
