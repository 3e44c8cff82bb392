#include <iostream>

#include "cli/batch.h"
#include "cli/options.h"

int main(int argc, char** argv) {
  // Batches write their output in large blocks; the C streams are never used.
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);
  auto parsed = marlit::cli::ParseCommandLine(argc, argv, std::cout, std::cerr);
  if (parsed.exitStatus) return *parsed.exitStatus;
  return marlit::cli::Run(parsed.options, std::cin, std::cout, std::cerr);
}
