#include "tests/platform/x11_test_support.h"

#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

namespace marlit::test_support {
namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

}  // namespace

OtherClient::OtherClient() : c_(xcb_connect(nullptr, nullptr)) {
  if (xcb_connection_has_error(c_) != 0) throw std::runtime_error("no X server for the test");
  root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
}

OtherClient::~OtherClient() {
  for (std::uint8_t key : std::set<std::uint8_t>(held_)) Release(key);
  for (xcb_window_t w : windows_) xcb_destroy_window(c_, w);
  Sync();
  xcb_disconnect(c_);
}

void OtherClient::Sync() {
  std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

void OtherClient::Press(std::uint8_t xKeyCode) {
  xcb_test_fake_input(c_, XCB_KEY_PRESS, xKeyCode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
  held_.insert(xKeyCode);
  Sync();
}

void OtherClient::Release(std::uint8_t xKeyCode) {
  xcb_test_fake_input(c_, XCB_KEY_RELEASE, xKeyCode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
  held_.erase(xKeyCode);
  Sync();
}

xcb_atom_t OtherClient::Atom(std::string_view name) {
  std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(xcb_intern_atom_reply(
      c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_window_t OtherClient::MakeWindow(std::optional<std::uint32_t> pid) {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
  const xcb_window_t w = xcb_generate_id(c_);
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 100, 100, 300, 200, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
  constexpr std::string_view kName = "other client";
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      kName.size(), kName.data());
  if (pid) {
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32,
                        1, &*pid);
  }
  xcb_map_window(c_, w);
  windows_.push_back(w);
  Sync();
  return w;
}

void OtherClient::RequestActivation(xcb_window_t window) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom("_NET_ACTIVE_WINDOW");
  message.data.data32[0] = 2;
  message.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(c_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  Sync();
}

void OtherClient::Close(xcb_window_t window) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom("WM_PROTOCOLS");
  message.data.data32[0] = Atom("WM_DELETE_WINDOW");
  message.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
  Sync();
}

std::optional<std::string> OtherClient::Property(xcb_window_t window, xcb_atom_t property) {
  std::unique_ptr<xcb_get_property_reply_t, FreeDeleter> reply(xcb_get_property_reply(
      c_, xcb_get_property(c_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr));
  if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
  const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
  const int length = xcb_get_property_value_length(reply.get());
  return std::string(data, static_cast<std::size_t>(length));
}

xcb_window_t OtherClient::ActiveWindow() {
  const auto bytes = Property(root_, Atom("_NET_ACTIVE_WINDOW"));
  if (!bytes || bytes->size() < 4) return XCB_WINDOW_NONE;
  xcb_window_t w = 0;
  std::memcpy(&w, bytes->data(), sizeof w);
  return w;
}

std::vector<xcb_window_t> OtherClient::ClientList() {
  const auto bytes = Property(root_, Atom("_NET_CLIENT_LIST"));
  std::vector<xcb_window_t> list(bytes ? bytes->size() / 4 : 0);
  if (!list.empty()) std::memcpy(list.data(), bytes->data(), list.size() * 4);
  return list;
}

std::optional<std::uint32_t> OtherClient::WindowPid(xcb_window_t window) {
  const auto bytes = Property(window, Atom("_NET_WM_PID"));
  if (!bytes || bytes->size() < 4) return std::nullopt;
  std::uint32_t pid = 0;
  std::memcpy(&pid, bytes->data(), sizeof pid);
  return pid;
}

std::string OtherClient::Caption(xcb_window_t window) {
  if (auto name = Property(window, Atom("_NET_WM_NAME"))) return *name;
  return Property(window, XCB_ATOM_WM_NAME).value_or(std::string());
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
             const std::function<void()>& pump) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (pump) pump();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace marlit::test_support
