#pragma once
// The DirectInput keyboard calls that Marlit's hot-key and Tessaly rely on, with DirectInput's own
// values and key numbering, over whatever keyboard source this session offers.

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/errors.h"

namespace marlit {

// The state of every key, indexed by DirectInput key code; a non-zero byte means the key is down.
using KeyboardState = std::array<std::uint8_t, 256>;

// The handle of a top-level window as the window system knows it (an X window id on X11).
using NativeWindowId = std::uintptr_t;

inline constexpr std::string_view GUID_SysKeyboard = "GUID_SysKeyboard";
inline constexpr int DIFORMAT_KEYBOARD = 1;
inline constexpr int DISCL_EXCLUSIVE = 1;
inline constexpr int DISCL_NONEXCLUSIVE = 2;
inline constexpr int DISCL_FOREGROUND = 4;
inline constexpr int DISCL_BACKGROUND = 8;
// Non-exclusive and background: keys are seen while another program has the focus, and other
// programs keep receiving them.
inline constexpr int kBackgroundSharedLevel = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;

// DirectInput cannot be created: no keyboard that this session can read. The only failure that
// Form_Load reports in its own words.
class DirectInputUnavailable : public PlatformError {
 public:
  using PlatformError::PlatformError;
};

// A later DirectInput call refused: unknown device, unsupported format or level, a read while the
// device is not acquired, or a lost connection to the window system.
class DirectInputError : public PlatformError {
 public:
  using PlatformError::PlatformError;
};

class DirectInputDevice {
 public:
  virtual ~DirectInputDevice() = default;
  // Only DIFORMAT_KEYBOARD (1): one byte per key code, 256 in all.
  virtual void SetCommonDataFormat(int format) = 0;
  // Only kBackgroundSharedLevel (10) can be provided by these backends.
  virtual void SetCooperativeLevel(NativeWindowId window, int flags) = 0;
  // Needs the data format set first; acquiring again has no further effect.
  virtual void Acquire() = 0;
  // Rewrites all 256 bytes: 0x80 for a key that is down, 0 otherwise. Needs the device acquired.
  virtual void GetDeviceStateKeyboard(KeyboardState& state) = 0;
  // Unacquiring a device that is not acquired has no effect.
  virtual void Unacquire() = 0;
};

class DirectInput {
 public:
  virtual ~DirectInput() = default;
  // Only GUID_SysKeyboard, the system keyboard.
  [[nodiscard]] virtual std::unique_ptr<DirectInputDevice> CreateDevice(std::string_view guid) = 0;
};

// The DirectX root object: the only way to DirectInput.
class DirectX7 {
 public:
  virtual ~DirectX7() = default;
  // Throws DirectInputUnavailable when no keyboard source can be opened.
  [[nodiscard]] virtual std::unique_ptr<DirectInput> DirectInputCreate() = 0;
};

// The root object of this session: the X server's key map while Qt runs on X11, else the Linux
// input devices under /dev/input.
[[nodiscard]] std::unique_ptr<DirectX7> MakeSystemDirectX();

}  // namespace marlit
