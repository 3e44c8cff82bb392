#include "mainwindow/hotkey/hot_key.h"

namespace marlit {

bool IsKeyDown(const KeyboardState& state, std::int32_t code) {
  if (code < 1 || code > 255) return true;
  return state[static_cast<std::size_t>(code)] != 0;
}

void BringFormToFront(主模組& module, FrontWindow& window, Foreground& foreground) {
  if (window.IsMinimized()) {
    window.ShowNormal();
    return;
  }
  const std::int64_t otherOwner = foreground.ForegroundOwner();
  const bool joined = otherOwner != 0 && otherOwner != module.MainThreadId;
  if (joined) foreground.Activate(window.NativeId());
  window.Focus();
}

HotKeyInput::HotKeyInput(DirectX7& dxRoot, Foreground& foreground)
    : DxRoot_(dxRoot), foreground_(foreground) {}

HotKeyInput::~HotKeyInput() = default;

void HotKeyInput::SetUp(NativeWindowId window) {
  DxInput_ = DxRoot_.DirectInputCreate();
  KeyboardDevice_ = DxInput_->CreateDevice(GUID_SysKeyboard);
  KeyboardDevice_->SetCommonDataFormat(DIFORMAT_KEYBOARD);
  KeyboardDevice_->SetCooperativeLevel(window, kBackgroundSharedLevel);
}

void HotKeyInput::Acquire() {
  if (!KeyboardDevice_) throw DirectInputError("the keyboard was not set up");
  KeyboardDevice_->Acquire();
}

bool HotKeyInput::Tick(主模組& module, FrontWindow& window) {
  if (!module.HotKeyEnabled) return false;
  if (!KeyboardDevice_) throw DirectInputError("the keyboard was not set up");
  KeyboardDevice_->GetDeviceStateKeyboard(KeyboardState_);
  const auto& codes = module.HotKeyCodes;
  if (IsKeyDown(KeyboardState_, codes[0]) && IsKeyDown(KeyboardState_, codes[1]) &&
      IsKeyDown(KeyboardState_, codes[2])) {
    BringFormToFront(module, window, foreground_);
  }
  return true;
}

void HotKeyInput::Release() {
  if (KeyboardDevice_) KeyboardDevice_->Unacquire();
}

}  // namespace marlit
