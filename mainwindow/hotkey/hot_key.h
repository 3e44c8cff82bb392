#pragma once
// The foreground hot-key of 主窗體: the DirectInput keyboard that 定時器 polls every 54 ms, the
// combination test over HotKeyCodes, and BringFormToFront.

#include <cstdint>
#include <memory>
#include <string_view>

#include "mainwindow/main_module.h"
#include "platform/keyboard/direct_input.h"
#include "platform/keyboard/foreground.h"
#include "platform/translation.h"

namespace marlit {

// What Form_Load shows when DirectInput cannot be created, before the program ends.
inline constexpr Text kDirectInputErrorText =
    u"啟動 Direct Input 出錯，請先確認您已經安裝了 DirectX 7.0";

// The interval of 定時器.
inline constexpr int kHotKeyTimerMs = 54;

// What BringFormToFront needs of the main window.
class FrontWindow {
 public:
  virtual ~FrontWindow() = default;
  [[nodiscard]] virtual bool IsMinimized() const = 0;
  // Restores the window from minimized to normal.
  virtual void ShowNormal() = 0;
  [[nodiscard]] virtual NativeWindowId NativeId() const = 0;
  // The window's own focus operation, which also activates it.
  virtual void Focus() = 0;
};

// 1..255: the key is down in state; any other code is an unused slot and counts as down.
[[nodiscard]] bool IsKeyDown(const KeyboardState& state, std::int32_t code);

// Minimized: restore and nothing else. Otherwise, when another program owns the foreground, the
// stronger activation first (where the input states would be joined), then the window's focus.
void BringFormToFront(主模組& module, FrontWindow& window, Foreground& foreground);

// The window-level DirectInput objects of 主窗體 and the steps of Form_Load, 定時器_Timer and
// Form_Unload that use them.
class HotKeyInput {
 public:
  HotKeyInput(DirectX7& dxRoot, Foreground& foreground);
  ~HotKeyInput();
  HotKeyInput(const HotKeyInput&) = delete;
  HotKeyInput& operator=(const HotKeyInput&) = delete;

  // While the window loads, before it is shown. Throws DirectInputUnavailable (show kDirectInputErrorText, end the program
  // without showing the window); any later failure is a DirectInputError.
  void SetUp(NativeWindowId window);
  // Once the window is shown.
  void Acquire();
  // The poll of a tick of 定時器. Returns false when HotKeyEnabled is false and nothing was done;
  // true after a poll, when the caller lets the queued events run once.
  [[nodiscard]] bool Tick(主模組& module, FrontWindow& window);
  // First of all when the window closes.
  void Release();

  [[nodiscard]] const KeyboardState& State() const { return KeyboardState_; }

 private:
  DirectX7& DxRoot_;
  Foreground& foreground_;
  std::unique_ptr<DirectInput> DxInput_;
  std::unique_ptr<DirectInputDevice> KeyboardDevice_;
  KeyboardState KeyboardState_{};
};

}  // namespace marlit
