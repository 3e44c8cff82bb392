#include "tests/hotkey_x11/marlit_session.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "tests/platform/x11_test_support.h"

extern char** environ;

namespace marlit::test_support {
namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// The test's environment, with Qt kept off the session bus, which Xvfb sessions lack.
std::vector<std::string> ChildEnvironment() {
  constexpr std::string_view kBus = "DBUS_SESSION_BUS_ADDRESS=";
  std::vector<std::string> env{std::string(kBus) + "disabled:"};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string_view(*e).substr(0, kBus.size()) != kBus) env.emplace_back(*e);
  }
  return env;
}

}  // namespace

MarlitProcess::MarlitProcess(const std::filesystem::path& program,
                             const std::filesystem::path& file, const std::filesystem::path& log)
    : log_(log) {
  std::vector<std::string> env = ChildEnvironment();
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string programText = program.string();
  std::string fileText = file.string();
  char* argv[] = {programText.data(), fileText.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  if (posix_spawn(&pid_, programText.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = 0;
  posix_spawn_file_actions_destroy(&actions);
}

MarlitProcess::~MarlitProcess() {
  if (pid_ == 0 || status_) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

bool MarlitProcess::Running() {
  if (pid_ == 0 || status_) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = status;
  return false;
}

std::optional<int> MarlitProcess::WaitForEnd(std::chrono::milliseconds timeout) {
  (void)WaitFor([this] { return !Running(); }, timeout);
  return status_;
}

std::string MarlitProcess::Output() const {
  std::ifstream in(log_);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

WindowManagerView::WindowManagerView() : c_(xcb_connect(nullptr, nullptr)) {
  if (xcb_connection_has_error(c_) != 0) throw std::runtime_error("no X server for the test");
  root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
}

WindowManagerView::~WindowManagerView() { xcb_disconnect(c_); }

void WindowManagerView::Sync() {
  std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

xcb_atom_t WindowManagerView::Atom(std::string_view name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

void WindowManagerView::Iconify(xcb_window_t window) {
  constexpr std::uint32_t kIconicState = 3;
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom("WM_CHANGE_STATE");
  message.data.data32[0] = kIconicState;
  xcb_send_event(c_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  Sync();
}

bool WindowManagerView::IsIconic(xcb_window_t window) {
  const xcb_atom_t wmState = Atom("WM_STATE");
  Reply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, wmState, wmState, 0, 1), nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return false;
  std::uint32_t state = 0;
  std::memcpy(&state, xcb_get_property_value(reply.get()), sizeof state);
  return state == 3;
}

std::vector<xcb_window_t> WindowManagerView::Stacking() {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c_,
      xcb_get_property(c_, 0, root_, Atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, 0, 4096),
      nullptr));
  if (!reply || reply->format != 32) return {};
  const auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) / 4;
  std::vector<xcb_window_t> list(count);
  if (count != 0) std::memcpy(list.data(), xcb_get_property_value(reply.get()), count * 4);
  return list;
}

int WindowManagerView::Width(xcb_window_t window) {
  Reply<xcb_get_geometry_reply_t> reply(
      xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr));
  return reply ? reply->width : 0;
}

void WindowManagerView::MarkUserActivity(xcb_window_t window) {
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

void WindowManagerView::ClickAt(xcb_window_t window, int x, int y) {
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

}  // namespace marlit::test_support
