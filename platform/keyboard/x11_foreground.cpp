#include <unistd.h>
#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/keyboard/foreground.h"

namespace marlit {
namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

enum AtomName : std::size_t { kNetActiveWindow, kNetWmPid, kNetSupportingWmCheck, kAtomCount };
constexpr std::array<std::string_view, kAtomCount> kAtomNames = {
    "_NET_ACTIVE_WINDOW", "_NET_WM_PID", "_NET_SUPPORTING_WM_CHECK"};
using Atoms = std::array<xcb_atom_t, kAtomCount>;

// All the names are asked for before the first answer is awaited: one round trip for them all.
[[nodiscard]] Atoms InternAtoms(xcb_connection_t* c) {
  std::array<xcb_intern_atom_cookie_t, kAtomCount> cookies{};
  for (std::size_t i = 0; i < kAtomCount; ++i) {
    cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(kAtomNames[i].size()),
                                 kAtomNames[i].data());
  }
  Atoms atoms{};
  for (std::size_t i = 0; i < kAtomCount; ++i) {
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
    atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  }
  return atoms;
}

// The first 32-bit value of a window property of the given type, if it has one.
[[nodiscard]] std::optional<std::uint32_t> Property32(xcb_connection_t* c, xcb_window_t window,
                                                      xcb_atom_t property, xcb_atom_t type) {
  XcbReply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1), nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  std::memcpy(&value, xcb_get_property_value(reply.get()), sizeof value);
  return value;
}

// A server timestamp of now, from a PropertyNotify on a hidden window of a connection of our own:
// Qt reads every event of its connection, so the answer could not be waited for there.
class ServerClock {
 public:
  ~ServerClock() {
    if (connection_ != nullptr) xcb_disconnect(connection_);
  }

  [[nodiscard]] xcb_timestamp_t Now() {
    if (!Open()) return XCB_CURRENT_TIME;
    xcb_change_property(connection_, XCB_PROP_MODE_APPEND, window_, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(connection_);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
      const bool ours = (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
                        reinterpret_cast<xcb_property_notify_event_t*>(event)->window == window_;
      const xcb_timestamp_t time =
          ours ? reinterpret_cast<xcb_property_notify_event_t*>(event)->time : 0;
      std::free(event);
      if (ours) return time;
    }
    return XCB_CURRENT_TIME;  // the connection broke
  }

 private:
  bool Open() {
    if (connection_ != nullptr) return xcb_connection_has_error(connection_) == 0;
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_) != 0) return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    if (screen == nullptr) return false;
    window_ = xcb_generate_id(connection_);
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    return true;
  }

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t window_ = XCB_WINDOW_NONE;
};

class X11Foreground final : public Foreground {
 public:
  explicit X11Foreground(xcb_connection_t* connection)
      : c_(connection),
        root_(xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root),
        resourceBase_(xcb_get_setup(c_)->resource_id_base),
        resourceMask_(xcb_get_setup(c_)->resource_id_mask) {}

  std::int64_t ForegroundOwner() override {
    const xcb_window_t window = WindowManagerRuns() ? ActiveWindow() : FocusWindow();
    return window == XCB_WINDOW_NONE ? 0 : OwnerOf(window);
  }

  void Activate(NativeWindowId window) override {
    const auto target = static_cast<xcb_window_t>(window);
    if (WindowManagerRuns()) {
      RequestActivation(target);
    } else {
      RaiseAndFocus(target);
    }
    xcb_flush(c_);
  }

 private:
  [[nodiscard]] xcb_atom_t Atom(AtomName name) {
    if (!atoms_) atoms_ = InternAtoms(c_);
    return (*atoms_)[name];
  }

  // A running window manager names itself on a child window that names itself in turn; a stale
  // name left by one that has ended does not.
  [[nodiscard]] bool WindowManagerRuns() {
    const auto check = Property32(c_, root_, Atom(kNetSupportingWmCheck), XCB_ATOM_WINDOW);
    return check && *check != XCB_WINDOW_NONE &&
           Property32(c_, *check, Atom(kNetSupportingWmCheck), XCB_ATOM_WINDOW) == check;
  }

  [[nodiscard]] xcb_window_t ActiveWindow() {
    return Property32(c_, root_, Atom(kNetActiveWindow), XCB_ATOM_WINDOW).value_or(XCB_WINDOW_NONE);
  }

  [[nodiscard]] xcb_window_t FocusWindow() {
    XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    if (!reply || reply->focus == XCB_INPUT_FOCUS_POINTER_ROOT || reply->focus == root_) {
      return XCB_WINDOW_NONE;
    }
    return reply->focus;
  }

  [[nodiscard]] std::int64_t OwnerOf(xcb_window_t window) {
    const std::uint32_t client = window & ~resourceMask_;
    if (client == resourceBase_) return OwnForegroundIdentity();
    if (const auto pid = Property32(c_, window, Atom(kNetWmPid), XCB_ATOM_CARDINAL);
        pid && *pid != 0) {
      return *pid;
    }
    // Another client that does not name its process: still another owner, never ours.
    return -static_cast<std::int64_t>(client);
  }

  // Source indication 2 (a pager, acting for the user) is honoured even when another program
  // has the foreground, where an application's own request would only mark it urgent.
  void RequestActivation(xcb_window_t target) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = target;
    message.type = Atom(kNetActiveWindow);
    message.data.data32[0] = 2;
    message.data.data32[1] = clock_.Now();
    message.data.data32[2] = ActiveWindow();
    xcb_send_event(c_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
  }

  // Without a window manager the stacking and the focus are ours to set. Errors (a window not
  // viewable) are collected here so that they do not reach Qt's event queue.
  void RaiseAndFocus(xcb_window_t target) {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    std::free(xcb_request_check(
        c_, xcb_configure_window_checked(c_, target, XCB_CONFIG_WINDOW_STACK_MODE, &above)));
    std::free(xcb_request_check(
        c_, xcb_set_input_focus_checked(c_, XCB_INPUT_FOCUS_PARENT, target, clock_.Now())));
  }

  xcb_connection_t* c_;
  xcb_window_t root_;
  std::uint32_t resourceBase_;
  std::uint32_t resourceMask_;
  // Interned at the first use, not while the program starts.
  std::optional<Atoms> atoms_;
  ServerClock clock_;
};

}  // namespace

std::int64_t OwnForegroundIdentity() { return ::getpid(); }

std::unique_ptr<Foreground> MakeX11Foreground(xcb_connection_t* connection) {
  if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
    throw PlatformError("no connection to the X server");
  }
  return std::make_unique<X11Foreground>(connection);
}

}  // namespace marlit
