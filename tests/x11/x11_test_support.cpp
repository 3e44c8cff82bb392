#include "tests/x11/x11_test_support.h"

#include <xcb/xtest.h>

#include <algorithm>
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
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

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

void OtherClient::ClickAt(xcb_window_t window, int x, int y) {
  Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
      c_,
      xcb_translate_coordinates(c_, window, root_, static_cast<std::int16_t>(x),
                                static_cast<std::int16_t>(y)),
      nullptr));
  if (!at) return;
  xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, at->dst_x, at->dst_y, 0);
  Sync();
  xcb_test_fake_input(c_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
  Sync();
  xcb_test_fake_input(c_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
  Sync();
}

xcb_atom_t OtherClient::Atom(std::string_view name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
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
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1,
                        &*pid);
  }
  xcb_map_window(c_, w);
  windows_.push_back(w);
  Sync();
  return w;
}

// A message to the window manager goes to the root window, one to a client to its window.
void OtherClient::SendClientMessage(xcb_window_t to, xcb_window_t window, std::string_view type,
                                    std::uint32_t first, std::uint32_t second) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom(type);
  message.data.data32[0] = first;
  message.data.data32[1] = second;
  const std::uint32_t mask =
      to == root_ ? XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY
                  : XCB_EVENT_MASK_NO_EVENT;
  xcb_send_event(c_, 0, to, mask, reinterpret_cast<const char*>(&message));
  Sync();
}

void OtherClient::RequestActivation(xcb_window_t window) {
  constexpr std::uint32_t kFromPager = 2;
  SendClientMessage(root_, window, "_NET_ACTIVE_WINDOW", kFromPager, XCB_CURRENT_TIME);
}

void OtherClient::Close(xcb_window_t window) {
  SendClientMessage(window, window, "WM_PROTOCOLS", Atom("WM_DELETE_WINDOW"), XCB_CURRENT_TIME);
}

constexpr std::uint32_t kIconicState = 3;

void OtherClient::Iconify(xcb_window_t window) {
  SendClientMessage(root_, window, "WM_CHANGE_STATE", kIconicState, 0);
}

void OtherClient::MarkUserActivity(xcb_window_t window) {
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &mask);
  const xcb_atom_t userTime = Atom("_NET_WM_USER_TIME");
  // A change of nothing still tells the time of the server.
  xcb_change_property(c_, XCB_PROP_MODE_APPEND, window, userTime, XCB_ATOM_CARDINAL, 32, 0,
                      nullptr);
  xcb_flush(c_);
  std::uint32_t now = XCB_CURRENT_TIME;
  while (xcb_generic_event_t* event = xcb_wait_for_event(c_)) {
    const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
    const bool ours =
        (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY && notify->window == window;
    if (ours) now = notify->time;
    std::free(event);
    if (ours) break;
  }
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, userTime, XCB_ATOM_CARDINAL, 32, 1, &now);
  const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
  xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &none);
  Sync();
}

std::optional<std::string> OtherClient::Property(xcb_window_t window, xcb_atom_t property) {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c_, xcb_get_property(c_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr));
  if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
  const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
  const int length = xcb_get_property_value_length(reply.get());
  return std::string(data, static_cast<std::size_t>(length));
}

std::vector<std::uint32_t> OtherClient::Values(xcb_window_t window, xcb_atom_t property) {
  const auto bytes = Property(window, property);
  std::vector<std::uint32_t> values(bytes ? bytes->size() / 4 : 0);
  if (!values.empty()) std::memcpy(values.data(), bytes->data(), values.size() * 4);
  return values;
}

xcb_window_t OtherClient::ActiveWindow() {
  const auto values = Values(root_, Atom("_NET_ACTIVE_WINDOW"));
  return values.empty() ? xcb_window_t{XCB_WINDOW_NONE} : values.front();
}

std::vector<xcb_window_t> OtherClient::ClientList() {
  return Values(root_, Atom("_NET_CLIENT_LIST"));
}

std::vector<xcb_window_t> OtherClient::Stacking() {
  return Values(root_, Atom("_NET_CLIENT_LIST_STACKING"));
}

std::optional<std::uint32_t> OtherClient::WindowPid(xcb_window_t window) {
  const auto values = Values(window, Atom("_NET_WM_PID"));
  if (values.empty()) return std::nullopt;
  return values.front();
}

std::string OtherClient::Caption(xcb_window_t window) {
  if (auto name = Property(window, Atom("_NET_WM_NAME"))) return *name;
  return Property(window, XCB_ATOM_WM_NAME).value_or(std::string());
}

bool OtherClient::IsIconic(xcb_window_t window) {
  const auto values = Values(window, Atom("WM_STATE"));
  return !values.empty() && values.front() == kIconicState;
}

bool OtherClient::HasState(xcb_window_t window, std::string_view state) {
  const auto values = Values(window, Atom("_NET_WM_STATE"));
  return std::find(values.begin(), values.end(), Atom(state)) != values.end();
}

int OtherClient::Width(xcb_window_t window) {
  Reply<xcb_get_geometry_reply_t> reply(
      xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr));
  return reply ? reply->width : 0;
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
