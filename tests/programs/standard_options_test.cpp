// --help and --version of marlit, tessaly and marlit-cli: answered on standard output with exit
// status 0 before anything needs a display; any other first argument goes on to the program.
#include "platform/standard_options.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace marlit {
namespace {

TEST(StandardOptionTest, OnlyTheWholeFirstArgumentIsAnOption) {
  struct Case {
    std::vector<const char*> args;
    StandardOption option;
  };
  const Case cases[] = {
      {{"prog"}, StandardOption::None},
      {{"prog", "--help"}, StandardOption::Help},
      {{"prog", "--version"}, StandardOption::Version},
      {{"prog", "--version", "a.exe"}, StandardOption::Version},
      {{"prog", "a.exe", "--help"}, StandardOption::None},
      {{"prog", "-h"}, StandardOption::None},
      {{"prog", "-x"}, StandardOption::None},
      {{"prog", "--help=1"}, StandardOption::None},
      {{"prog", "--vers"}, StandardOption::None},
      {{"prog", "./--help"}, StandardOption::None},
      {{"prog", "my --help.exe"}, StandardOption::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StandardOptionOf(static_cast<int>(c.args.size()), c.args.data()), c.option)
        << (c.args.size() > 1 ? c.args[1] : "(none)");
  }
  std::ostringstream out;
  const char* const none[] = {"prog", "a.exe"};
  EXPECT_FALSE(AnswerStandardOption(2, none, "help", "version", out));
  EXPECT_EQ(out.str(), "");
}

struct Ran {
  int status;
  std::string out;
  std::string err;
};

std::string Slurp(std::FILE* file) {
  std::string text;
  char buffer[4096];
  std::size_t n;
  std::rewind(file);
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  std::fclose(file);
  return text;
}

// Without DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM a Qt program that made its application
// object would abort: an answer proves that none was made.
Ran RunWithoutDisplay(const std::string& program, const std::string& option) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + program +
                              " " + option + " </dev/null >/dev/fd/" + std::to_string(fileno(out)) +
                              " 2>/dev/fd/" + std::to_string(fileno(err));
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
}

TEST(StandardOptionTest, EachProgramAnswersWithoutADisplay) {
  struct Case {
    const char* program;
    const char* name;
    const char* option;
    std::string start;  // how the answer begins
    const char* holds;  // a text it must hold
  };
  const std::string version = std::string(" ") + MARLIT_VERSION + "\n";
  const Case cases[] = {
      {MARLIT_PATH, "marlit", "--help", "Usage: marlit [FILE]\n", "--version"},
      {MARLIT_PATH, "marlit", "--version", "marlit (", version.c_str()},
      {TESSALY_PATH, "tessaly", "--help", "Usage: tessaly\n", "--version"},
      {TESSALY_PATH, "tessaly", "--version", "tessaly (Tessaly)", version.c_str()},
      {MARLIT_CLI, "marlit-cli", "--help", "Translates", "Exit status:"},
      {MARLIT_CLI, "marlit-cli", "--version", "marlit-cli (", version.c_str()},
  };
  for (const Case& c : cases) {
    const Ran r = RunWithoutDisplay(c.program, c.option);
    SCOPED_TRACE(std::string(c.name) + " " + c.option);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.substr(0, c.start.size()), c.start) << r.out;
    EXPECT_NE(r.out.find(c.holds), std::string::npos) << r.out;
    EXPECT_EQ(r.out.back(), '\n');
  }
}

TEST(StandardOptionTest, MarlitCliHelpNamesEveryExitStatusAndTheFiveFields) {
  const Ran r = RunWithoutDisplay(MARLIT_CLI, "--help");
  for (const char* text : {"  0  ", "  1  ", "  2  ", "  3  ", "  4  ", "file offset",
                           "memory address", "position", "section name", "代碼"}) {
    EXPECT_NE(r.out.find(text), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace marlit
