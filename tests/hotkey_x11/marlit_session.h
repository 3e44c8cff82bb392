#pragma once
// The real marlit program as a child process under the test's X server, and the window manager's
// view of its windows that the hot-key tests need beyond what OtherClient reads.

#include <sys/types.h>
#include <xcb/xcb.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marlit::test_support {

// marlit FILE, its output kept in a file so that a failing test can show it.
class MarlitProcess {
 public:
  MarlitProcess(const std::filesystem::path& program, const std::filesystem::path& file,
                const std::filesystem::path& log);
  // Kills the program if it is still running.
  ~MarlitProcess();
  MarlitProcess(const MarlitProcess&) = delete;
  MarlitProcess& operator=(const MarlitProcess&) = delete;

  [[nodiscard]] bool Started() const { return pid_ != 0; }
  [[nodiscard]] pid_t Pid() const { return pid_; }
  [[nodiscard]] bool Running();
  // The wait status once the program has ended by itself within timeout.
  [[nodiscard]] std::optional<int> WaitForEnd(std::chrono::milliseconds timeout);
  // What the program wrote to its standard output and error so far.
  [[nodiscard]] std::string Output() const;

 private:
  pid_t pid_ = 0;
  std::optional<int> status_;
  std::filesystem::path log_;
};

class WindowManagerView {
 public:
  WindowManagerView();
  ~WindowManagerView();
  WindowManagerView(const WindowManagerView&) = delete;
  WindowManagerView& operator=(const WindowManagerView&) = delete;

  // Asks the window manager to iconify window, as its minimize control does (WM_CHANGE_STATE).
  void Iconify(xcb_window_t window);
  // WM_STATE, as the window manager keeps it, says iconic.
  [[nodiscard]] bool IsIconic(xcb_window_t window);
  // _NET_CLIENT_LIST_STACKING: the managed windows from bottom to top.
  [[nodiscard]] std::vector<xcb_window_t> Stacking();
  // The width of window's client area in pixels, 0 when it has none.
  [[nodiscard]] int Width(xcb_window_t window);
  // Sets window's _NET_WM_USER_TIME to the server's time now, as a client does when the user has
  // just typed into it: the window manager then refuses a focus request from another program
  // that brings no newer time of its own.
  void MarkUserActivity(xcb_window_t window);
  // Moves the pointer to (x, y) of window's client area and clicks the first button there.
  void ClickAt(xcb_window_t window, int x, int y);

 private:
  void Sync();
  [[nodiscard]] xcb_atom_t Atom(std::string_view name);

  xcb_connection_t* c_;
  xcb_window_t root_;
};

}  // namespace marlit::test_support
