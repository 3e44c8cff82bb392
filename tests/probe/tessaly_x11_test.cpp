// Tessaly as the user sees it: its caption, read by another X client, after XTest key presses.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "tests/platform/x11_test_support.h"

extern char** environ;

namespace marlit {
namespace {

using test_support::OtherClient;
using test_support::WaitFor;

// Tessaly started with the C locale, so that the time of day reads HH:mm:ss.
class TessalyProcess {
 public:
  explicit TessalyProcess(OtherClient& client) : client_(client) {
    std::vector<std::string> env{"LC_ALL=C"};
    for (char** e = environ; *e != nullptr; ++e) {
      if (std::string(*e).rfind("LC_ALL=", 0) != 0) env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char path[] = TESSALY_PATH;
    char* argv[] = {path, nullptr};
    if (posix_spawn(&pid_, path, nullptr, nullptr, argv, envp.data()) != 0) pid_ = 0;
  }
  ~TessalyProcess() {
    if (pid_ == 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }

  [[nodiscard]] bool Started() const { return pid_ != 0; }

  // Its top-level window, once the window manager lists it.
  [[nodiscard]] xcb_window_t FindWindow() {
    xcb_window_t found = XCB_WINDOW_NONE;
    (void)WaitFor([&] {
      for (xcb_window_t w : client_.ClientList()) {
        if (client_.WindowPid(w) == static_cast<std::uint32_t>(pid_)) found = w;
      }
      return found != XCB_WINDOW_NONE;
    });
    return found;
  }

  // The exit status, once the program has ended by itself.
  [[nodiscard]] std::optional<int> WaitForEnd() {
    int status = -1;
    if (!WaitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; })) return std::nullopt;
    pid_ = 0;
    return status;
  }

 private:
  OtherClient& client_;
  pid_t pid_ = 0;
};

struct KeyCase {
  const char* name;
  std::vector<std::uint8_t> xKeyCodes;  // held down in this order
  int code;                             // the DirectInput code the caption shows
};

// X key codes are Linux input codes + 8: A 38, S 39, Escape 9, F12 96, right Ctrl 105.
const KeyCase kKeys[] = {
    {"A", {38}, 30},           {"Escape", {9}, 1},           {"F12", {96}, 88},
    {"RightCtrl", {105}, 157}, {"AWithSHeld", {38, 39}, 31},
};

TEST(Tessaly, CaptionReportsEachKeyInDirectInputsNumberingAndClosingEndsTheProgram) {
  OtherClient client;
  TessalyProcess tessaly(client);
  ASSERT_TRUE(tessaly.Started()) << TESSALY_PATH;
  const xcb_window_t window = tessaly.FindWindow();
  ASSERT_NE(window, XCB_WINDOW_NONE) << "tessaly showed no window";
  usleep(100'000);
  EXPECT_EQ(client.Caption(window), "") << "no key seen yet";

  for (const KeyCase& key : kKeys) {
    SCOPED_TRACE(key.name);
    const std::regex expected(std::to_string(key.code) +
                              R"( - This Key Was pressed Last \(\d\d:\d\d:\d\d\))");
    for (std::uint8_t k : key.xKeyCodes) client.Press(k);
    std::string caption;
    const bool shown = WaitFor([&] {
      caption = client.Caption(window);
      return std::regex_match(caption, expected);
    });
    for (std::uint8_t k : key.xKeyCodes) client.Release(k);
    EXPECT_TRUE(shown) << "caption: " << caption;
    usleep(100'000);  // ten ticks with no key down
    EXPECT_EQ(client.Caption(window), caption) << "the last report stays";
  }

  client.Close(window);
  const std::optional<int> status = tessaly.WaitForEnd();
  ASSERT_TRUE(status.has_value()) << "tessaly did not end";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
}

}  // namespace
}  // namespace marlit
