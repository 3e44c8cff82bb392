// map_watch PROGRAM [ARGUMENTS...]: starts PROGRAM and prints the milliseconds from just before
// its start to the first map of a window-manager frame, that is of a top-level window of the
// root that is not override-redirect: the moment the program's window appears. After a blank it
// prints the processor time that the program's threads had used by then, also in milliseconds,
// which a busy machine disturbs less. Then it ends the program and waits until the frame is gone,
// so that the next run starts on an empty screen. Exit status 1 when no window appeared within
// 120 s or the program ended first.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
// Generous: under callgrind a start takes seconds.
constexpr auto kTimeout = std::chrono::seconds(120);

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
using Event = std::unique_ptr<xcb_generic_event_t, FreeDeleter>;

// The next event, or nothing once deadline has passed.
std::optional<Event> NextEvent(xcb_connection_t* c, Clock::time_point deadline) {
  while (true) {
    if (xcb_generic_event_t* e = xcb_poll_for_event(c)) return Event(e);
    if (xcb_connection_has_error(c) != 0) return std::nullopt;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return std::nullopt;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    (void)poll(&fd, 1, static_cast<int>(left));
  }
}

// The frame that the window manager maps first, or XCB_WINDOW_NONE.
xcb_window_t WaitForFirstMap(xcb_connection_t* c, xcb_window_t root, pid_t program) {
  const auto deadline = Clock::now() + kTimeout;
  while (auto event = NextEvent(c, deadline)) {
    if (((*event)->response_type & 0x7F) == XCB_MAP_NOTIFY) {
      const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event->get());
      if (map->event == root && map->override_redirect == 0) return map->window;
    }
    if (waitpid(program, nullptr, WNOHANG) == program) break;
  }
  return XCB_WINDOW_NONE;
}

// The first field of each thread's schedstat is the time it has run, in nanoseconds.
double ProcessorMs(pid_t program) {
  double ns = 0;
  std::error_code error;
  const std::filesystem::path tasks = "/proc/" + std::to_string(program) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream stat(task.path() / "schedstat");
    double run = 0;
    if (stat >> run) ns += run;
  }
  return ns / 1e6;
}

void WaitUntilGone(xcb_connection_t* c, xcb_window_t frame) {
  const auto deadline = Clock::now() + kTimeout;
  while (auto event = NextEvent(c, deadline)) {
    const auto type = (*event)->response_type & 0x7F;
    if (type == XCB_UNMAP_NOTIFY &&
        reinterpret_cast<const xcb_unmap_notify_event_t*>(event->get())->window == frame) {
      return;
    }
    if (type == XCB_DESTROY_NOTIFY &&
        reinterpret_cast<const xcb_destroy_notify_event_t*>(event->get())->window == frame) {
      return;
    }
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENTS...]\n", argv[0]);
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c) != 0) {
    std::fprintf(stderr, "map_watch: no X display\n");
    return 2;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  // Checked, so that the selection is in force before the program starts.
  std::free(xcb_request_check(
      c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask)));

  const auto start = Clock::now();
  const pid_t program = fork();
  if (program == 0) {
    // The program's chatter (Qt's warnings) would mix with the times.
    if (FILE* quiet = std::freopen("/dev/null", "w", stderr); quiet == nullptr) _exit(127);
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  const xcb_window_t frame = WaitForFirstMap(c, root, program);
  const auto mapped = Clock::now();
  const double processor = ProcessorMs(program);
  kill(program, SIGTERM);
  waitpid(program, nullptr, 0);
  if (frame == XCB_WINDOW_NONE) {
    std::fprintf(stderr, "map_watch: %s showed no window\n", argv[1]);
    xcb_disconnect(c);
    return 1;
  }
  WaitUntilGone(c, frame);
  std::printf("%.3f %.3f\n", std::chrono::duration<double, std::milli>(mapped - start).count(),
              processor);
  xcb_disconnect(c);
  return 0;
}
