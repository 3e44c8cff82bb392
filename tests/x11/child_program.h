#pragma once
// A program of the build run as a child of the test under the test's X server.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace marlit::test_support {

class ChildProgram {
 public:
  // Runs argv with the test's environment, where each NAME=VALUE of settings replaces that
  // variable; its output goes to log, if one is given, so that a failing test can show it.
  ChildProgram(std::vector<std::string> argv, const std::vector<std::string>& settings,
               const std::filesystem::path& log = {});
  // Kills the program if it is still running.
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  [[nodiscard]] bool Started() const { return pid_ != 0; }
  [[nodiscard]] pid_t Pid() const { return pid_; }
  [[nodiscard]] bool Running();
  // The wait status once the program has ended by itself within timeout.
  [[nodiscard]] std::optional<int> WaitForEnd(std::chrono::milliseconds timeout);
  // What the program wrote to its log so far.
  [[nodiscard]] std::string Output() const;

 private:
  pid_t pid_ = 0;
  std::optional<int> status_;
  std::filesystem::path log_;
};

}  // namespace marlit::test_support
