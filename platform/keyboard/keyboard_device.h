#pragma once
// The rules that every keyboard device follows, whatever it reads: the data format and
// cooperative level it accepts, and reads only while acquired.

#include "platform/keyboard/direct_input.h"

namespace marlit {

class KeyboardDeviceBase : public DirectInputDevice {
 public:
  void SetCommonDataFormat(int format) final;
  void SetCooperativeLevel(NativeWindowId window, int flags) final;
  void Acquire() final;
  void GetDeviceStateKeyboard(KeyboardState& state) final;
  void Unacquire() final;

  [[nodiscard]] bool Acquired() const { return acquired_; }
  [[nodiscard]] NativeWindowId CooperativeWindow() const { return window_; }

 protected:
  // Rewrites all 256 bytes from the keyboard source.
  virtual void ReadKeys(KeyboardState& state) = 0;

 private:
  bool formatSet_ = false;
  bool acquired_ = false;
  NativeWindowId window_ = 0;
};

}  // namespace marlit
