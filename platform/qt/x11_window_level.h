#pragma once

#include <memory>

#include "platform/window_level.h"

struct xcb_connection_t;

namespace marlit {

// The topmost band of an EWMH window manager: the state _NET_WM_STATE_ABOVE, asked of the window
// manager for a mapped window and written straight into the property of an unmapped one. Qt's
// WindowStaysOnTopHint would re-create the native window; this leaves it alone.
class X11WindowLevel : public WindowLevel {
 public:
  explicit X11WindowLevel(xcb_connection_t* connection) : connection_(connection) {}
  void SetTopmost(std::uintptr_t nativeWindow, bool topmost) override;

 private:
  xcb_connection_t* connection_;
};

// The X11 backend when the application runs on Qt's xcb platform, else a RecordingWindowLevel.
[[nodiscard]] std::unique_ptr<WindowLevel> MakeWindowLevel();

}  // namespace marlit
