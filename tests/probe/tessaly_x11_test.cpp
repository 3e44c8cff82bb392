// Tessaly as the user sees it: its caption, read by another X client, after XTest key presses.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "tests/x11/child_program.h"
#include "tests/x11/x11_test_support.h"

namespace marlit {
namespace {

using test_support::ChildProgram;
using test_support::OtherClient;
using test_support::WaitFor;

// Tessaly's top-level window, once the window manager lists it.
xcb_window_t FindWindow(OtherClient& client, const ChildProgram& tessaly) {
  xcb_window_t found = XCB_WINDOW_NONE;
  (void)WaitFor([&] {
    for (xcb_window_t w : client.ClientList()) {
      if (client.WindowPid(w) == static_cast<std::uint32_t>(tessaly.Pid())) found = w;
    }
    return found != XCB_WINDOW_NONE;
  });
  return found;
}

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
  // The C locale, so that the time of day reads HH:mm:ss.
  ChildProgram tessaly({TESSALY_PATH}, {"LC_ALL=C"});
  ASSERT_TRUE(tessaly.Started()) << TESSALY_PATH;
  const xcb_window_t window = FindWindow(client, tessaly);
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
  const std::optional<int> status = tessaly.WaitForEnd(std::chrono::seconds(5));
  ASSERT_TRUE(status.has_value()) << "tessaly did not end";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
}

}  // namespace
}  // namespace marlit
