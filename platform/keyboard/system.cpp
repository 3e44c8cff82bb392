#include <QGuiApplication>
#include <QWindow>

#include "platform/keyboard/backends.h"
#include "platform/keyboard/foreground.h"

// Last: its macros would clash with names in the headers above.
#include <X11/Xlib.h>

namespace marlit {
namespace {

// The display that Qt runs on (it may have been named by -display), when Qt opened it through Xlib.
const char* QtDisplayName() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  return display != nullptr ? DisplayString(display) : nullptr;
}

class SystemDirectX final : public DirectX7 {
 public:
  std::unique_ptr<DirectInput> DirectInputCreate() override {
    if (xcb_connection_t* qt = QtXcbConnection())
      return MakeDeferredX11DirectInput(QtDisplayName(), qt);
    return MakeEvdevDirectInput("/dev/input");
  }
};

// Where there is no X11: only what Qt knows of its own windows.
class QtForeground final : public Foreground {
 public:
  std::int64_t ForegroundOwner() override {
    return QGuiApplication::focusWindow() != nullptr ? OwnForegroundIdentity() : 0;
  }

  void Activate(NativeWindowId window) override {
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
      if (w->winId() != window) continue;
      w->raise();
      w->requestActivate();
    }
  }
};

}  // namespace

xcb_connection_t* QtXcbConnection() {
  if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

std::unique_ptr<DirectX7> MakeSystemDirectX() { return std::make_unique<SystemDirectX>(); }

std::unique_ptr<Foreground> MakeSystemForeground() {
  if (xcb_connection_t* connection = QtXcbConnection()) return MakeX11Foreground(connection);
  return std::make_unique<QtForeground>();
}

}  // namespace marlit
