// 主窗體 and its hot-key: the keyboard's set-up, acquisition and release, the timer that polls it,
// the hot-key's pause while the window is minimized, and what bringing the window forward asks.
#include <QApplication>

#include "mainwindow/main_window.h"

namespace marlit {

void 主窗體::KeyboardSetUp() {
  try {
    hotKeyInput_.SetUp(static_cast<NativeWindowId>(winId()));
  } catch (const DirectInputUnavailable&) {
    // The program ends once the message is closed, without showing the window or unloading it.
    prompt_.ShowMessage(kDirectInputErrorText);
    startFailed_ = true;
    ended_ = true;
  }
}

void 主窗體::KeyboardAcquire() { hotKeyInput_.Acquire(); }

void 主窗體::KeyboardRelease() { hotKeyInput_.Release(); }

void 主窗體::定時器_Timer() {
  if (hotKeyInput_.Tick(module_, front_)) QCoreApplication::processEvents();
}

bool 主窗體::Front::IsMinimized() const {
  return (window_.windowState() & Qt::WindowMinimized) != 0;
}

void 主窗體::Front::ShowNormal() {
  window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
}

NativeWindowId 主窗體::Front::NativeId() const {
  return static_cast<NativeWindowId>(window_.winId());
}

void 主窗體::Front::Focus() {
  window_.raise();
  window_.activateWindow();
  // A message box open over the window keeps the focus and stays on top of it.
  if (QWidget* box = QApplication::activeModalWidget(); box != nullptr && box != &window_) {
    box->raise();
    box->activateWindow();
  }
}

void 主窗體::Form_Resize() {
  const bool normal = !(windowState() & Qt::WindowMinimized);
  // A window manager may minimize the window with its dialog and restore it while the dialog is
  // still open; only the end of the dialog's bracket turns the hot-key on again.
  if (normal && dialogOpen_) return;
  module_.HotKeyEnabled = normal;
}

void 主窗體::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  UntrappedOrEnd([this] { Form_Resize(); });
}

void 主窗體::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) UntrappedOrEnd([this] { Form_Resize(); });
}

}  // namespace marlit
