#pragma once
// The window's z-order band: above all ordinary windows, or among them.

#include <cstdint>
#include <utility>
#include <vector>

namespace marlit {

class WindowLevel {
 public:
  virtual ~WindowLevel() = default;
  // Puts the native window into the topmost band or takes it out, without moving, resizing,
  // hiding or re-creating it. Failures are not reported: the window keeps its band.
  virtual void SetTopmost(std::uintptr_t nativeWindow, bool topmost) = 0;
};

// For platforms without a window manager that knows a topmost band: remembers the requests only.
class RecordingWindowLevel : public WindowLevel {
 public:
  void SetTopmost(std::uintptr_t nativeWindow, bool topmost) override {
    requests.emplace_back(nativeWindow, topmost);
  }
  std::vector<std::pair<std::uintptr_t, bool>> requests;
};

}  // namespace marlit
