#include "tests/x11/child_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string_view>

#include "tests/x11/x11_test_support.h"

extern char** environ;

namespace marlit::test_support {
namespace {

// The name of a NAME=VALUE entry, with its '='.
std::string_view NameOf(std::string_view entry) { return entry.substr(0, entry.find('=') + 1); }

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& settings) {
  std::vector<std::string> env = settings;
  for (char** e = environ; *e != nullptr; ++e) {
    const bool replaced = std::any_of(settings.begin(), settings.end(), [&](const std::string& s) {
      return NameOf(s) == NameOf(*e);
    });
    if (!replaced) env.emplace_back(*e);
  }
  return env;
}

}  // namespace

ChildProgram::ChildProgram(std::vector<std::string> argv, const std::vector<std::string>& settings,
                           const std::filesystem::path& log)
    : log_(log) {
  std::vector<std::string> env = ChildEnvironment(settings);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!log.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = 0;
  posix_spawn_file_actions_destroy(&actions);
}

ChildProgram::~ChildProgram() {
  if (pid_ == 0 || status_) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

bool ChildProgram::Running() {
  if (pid_ == 0 || status_) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = status;
  return false;
}

std::optional<int> ChildProgram::WaitForEnd(std::chrono::milliseconds timeout) {
  (void)WaitFor([this] { return !Running(); }, timeout);
  return status_;
}

std::string ChildProgram::Output() const {
  std::ifstream in(log_);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace marlit::test_support
