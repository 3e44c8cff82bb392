#pragma once
// What the X11 tests do as another X client: hold keys down through XTest, read window
// properties, make windows of their own active.

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

class OtherClient {
 public:
  OtherClient();
  ~OtherClient();
  OtherClient(const OtherClient&) = delete;
  OtherClient& operator=(const OtherClient&) = delete;

  // XTest key presses by X key code; every key still held is let go by the destructor.
  void Press(std::uint8_t xKeyCode);
  void Release(std::uint8_t xKeyCode);

  // A mapped top-level window of this client, with _NET_WM_PID = pid when pid is given.
  [[nodiscard]] xcb_window_t MakeWindow(std::optional<std::uint32_t> pid);
  // Asks the window manager to make window active, as a pager would.
  void RequestActivation(xcb_window_t window);

  // Asks window to close, as its close control does (WM_DELETE_WINDOW).
  void Close(xcb_window_t window);

  [[nodiscard]] xcb_window_t ActiveWindow();
  [[nodiscard]] std::vector<xcb_window_t> ClientList();
  [[nodiscard]] std::optional<std::uint32_t> WindowPid(xcb_window_t window);
  // _NET_WM_NAME, else WM_NAME; empty when neither is set.
  [[nodiscard]] std::string Caption(xcb_window_t window);

 private:
  void Sync();
  [[nodiscard]] xcb_atom_t Atom(std::string_view name);
  [[nodiscard]] std::optional<std::string> Property(xcb_window_t window, xcb_atom_t property);

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
