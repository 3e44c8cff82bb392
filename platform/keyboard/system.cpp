#include <QGuiApplication>
#include <QWindow>

#include "platform/keyboard/backends.h"
#include "platform/keyboard/foreground.h"

namespace marlit {
namespace {

class SystemDirectX final : public DirectX7 {
 public:
  std::unique_ptr<DirectInput> DirectInputCreate() override {
    if (xcb_connection_t* connection = QtXcbConnection()) return MakeX11DirectInput(connection);
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
