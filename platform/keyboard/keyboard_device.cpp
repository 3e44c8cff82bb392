#include "platform/keyboard/keyboard_device.h"

namespace marlit {

void KeyboardDeviceBase::SetCommonDataFormat(int format) {
  if (format != DIFORMAT_KEYBOARD) throw DirectInputError("the keyboard knows only data format 1");
  formatSet_ = true;
}

void KeyboardDeviceBase::SetCooperativeLevel(NativeWindowId window, int flags) {
  // Exclusive or foreground-only access would need a grab of the keyboard or of the focus, which
  // these sources cannot give.
  if (flags != kBackgroundSharedLevel) {
    throw DirectInputError("only the non-exclusive background level (10) is available");
  }
  window_ = window;
}

void KeyboardDeviceBase::Acquire() {
  if (!formatSet_) throw DirectInputError("the keyboard has no data format yet");
  acquired_ = true;
}

void KeyboardDeviceBase::GetDeviceStateKeyboard(KeyboardState& state) {
  if (!acquired_) throw DirectInputError("the keyboard is not acquired");
  ReadKeys(state);
}

void KeyboardDeviceBase::Unacquire() { acquired_ = false; }

}  // namespace marlit
