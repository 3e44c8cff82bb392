#include <unistd.h>

#include <iostream>

#include "cli/batch.h"
#include "cli/block_input.h"
#include "cli/options.h"
#include "platform/translation.h"

int main(int argc, char** argv) {
  // Batches write their output in large blocks; the C streams are never used.
  std::ios::sync_with_stdio(false);
  marlit::StartTranslation();
  auto parsed = marlit::cli::ParseCommandLine(argc, argv, std::cout, std::cerr);
  if (parsed.exitStatus) return *parsed.exitStatus;
  marlit::cli::DescriptorInput in(STDIN_FILENO);
  return marlit::cli::Run(parsed.options, in, std::cout, std::cerr);
}
