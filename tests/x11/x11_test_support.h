#pragma once
// What the X11 tests do as another X client: hold keys down and click through XTest, read window
// properties as the window manager keeps them, make windows of their own active.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace marlit::test_support {

// A connection of its own to the test's X server.
class OtherClient {
 public:
  OtherClient();
  ~OtherClient();
  OtherClient(const OtherClient&) = delete;
  OtherClient& operator=(const OtherClient&) = delete;

  // XTest key presses by X key code; every key still held is let go by the destructor.
  void Press(std::uint8_t xKeyCode);
  void Release(std::uint8_t xKeyCode);
  // Moves the pointer to (x, y) of window's client area and clicks the first button there.
  void ClickAt(xcb_window_t window, int x, int y);

  // A mapped top-level window of this client, with _NET_WM_PID = pid when pid is given.
  [[nodiscard]] xcb_window_t MakeWindow(std::optional<std::uint32_t> pid);
  // Asks the window manager to make window active, as a pager would.
  void RequestActivation(xcb_window_t window);
  // Asks window to close, as its close control does (WM_DELETE_WINDOW).
  void Close(xcb_window_t window);
  // Asks the window manager to iconify window, as its minimize control does (WM_CHANGE_STATE).
  void Iconify(xcb_window_t window);
  // Sets window's _NET_WM_USER_TIME to the server's time now, as a client does when the user has
  // just typed into it: the window manager then refuses a focus request from another program
  // that brings no newer time of its own.
  void MarkUserActivity(xcb_window_t window);

  [[nodiscard]] xcb_window_t ActiveWindow();
  [[nodiscard]] std::vector<xcb_window_t> ClientList();
  // _NET_CLIENT_LIST_STACKING: the managed windows from bottom to top.
  [[nodiscard]] std::vector<xcb_window_t> Stacking();
  [[nodiscard]] std::optional<std::uint32_t> WindowPid(xcb_window_t window);
  // _NET_WM_NAME, else WM_NAME; empty when neither is set.
  [[nodiscard]] std::string Caption(xcb_window_t window);
  // WM_STATE, as the window manager keeps it, says iconic.
  [[nodiscard]] bool IsIconic(xcb_window_t window);
  // The window manager lists the atom named state in window's _NET_WM_STATE.
  [[nodiscard]] bool HasState(xcb_window_t window, std::string_view state);
  // The width of window's client area in pixels, 0 when it has none.
  [[nodiscard]] int Width(xcb_window_t window);

 private:
  void Sync();
  void SendClientMessage(xcb_window_t to, xcb_window_t window, std::string_view type,
                         std::uint32_t first, std::uint32_t second);
  [[nodiscard]] xcb_atom_t Atom(std::string_view name);
  [[nodiscard]] std::optional<std::string> Property(xcb_window_t window, xcb_atom_t property);
  // The 32-bit values of a property; empty when it is not set.
  [[nodiscard]] std::vector<std::uint32_t> Values(xcb_window_t window, xcb_atom_t property);

  xcb_connection_t* c_;
  xcb_window_t root_;
  std::set<std::uint8_t> held_;
  std::vector<xcb_window_t> windows_;
};

// Polls condition every 10 ms (running pump first, if given) until it holds or timeout passes.
[[nodiscard]] bool WaitFor(const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout = std::chrono::seconds(5),
                           const std::function<void()>& pump = {});

}  // namespace marlit::test_support
