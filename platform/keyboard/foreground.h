#pragma once
// The foreground operations of the hot-key: who owns the foreground window, and making a window
// of ours the active, focused, front-most one.

#include <cstdint>
#include <memory>

#include "platform/keyboard/direct_input.h"

struct xcb_connection_t;

namespace marlit {

class Foreground {
 public:
  virtual ~Foreground() = default;
  // The owner identity of the foreground window: a process id (ours is OwnForegroundIdentity()),
  // another non-zero value for a client whose process is not known, 0 when no window has it.
  [[nodiscard]] virtual std::int64_t ForegroundOwner() = 0;
  // Makes window active, focused and front-most even while another program owns the foreground.
  virtual void Activate(NativeWindowId window) = 0;
};

// The identity that ForegroundOwner gives for this program's own windows; the main module keeps it
// as MainThreadId.
[[nodiscard]] std::int64_t OwnForegroundIdentity();

// The X11 window manager's (or, without one, the X server's) view while Qt runs on xcb, else what
// Qt itself knows.
[[nodiscard]] std::unique_ptr<Foreground> MakeSystemForeground();

// The X11 operations over connection (Qt's own, so that our windows are recognised as ours).
[[nodiscard]] std::unique_ptr<Foreground> MakeX11Foreground(xcb_connection_t* connection);

}  // namespace marlit
