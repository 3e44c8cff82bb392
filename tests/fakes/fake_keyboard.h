#pragma once
// Fakes of the keyboard and the foreground for the tests: keys and owners are set by the test,
// calls are counted, and each step can be made to fail.

#include <memory>
#include <string_view>
#include <vector>

#include "platform/keyboard/foreground.h"
#include "platform/keyboard/keyboard_device.h"

namespace marlit::fake {

// What the test controls and sees; shared by the root object and every device made from it.
struct FakeKeyboard {
  KeyboardState keys{};
  bool refuseCreate = false;  // DirectInputCreate throws DirectInputUnavailable
  bool refuseDevice = false;  // CreateDevice throws DirectInputError
  bool failReads = false;     // GetDeviceStateKeyboard throws DirectInputError
  int reads = 0;
  int acquires = 0;
  int unacquires = 0;
  bool acquired = false;
  NativeWindowId window = 0;

  void Press(std::uint8_t code) { keys[code] = 0x80; }
  void Release(std::uint8_t code) { keys[code] = 0; }
};

// The keys of the test, read under the same rules as the real devices.
class FakeKeySource final : public KeyboardDeviceBase {
 public:
  explicit FakeKeySource(FakeKeyboard& world) : world_(world) {}

 private:
  void ReadKeys(KeyboardState& state) override {
    ++world_.reads;
    if (world_.failReads) throw DirectInputError("fake: the keyboard read fails");
    state = world_.keys;
  }
  FakeKeyboard& world_;
};

// Records acquisition and the window in the shared state.
class FakeKeyboardDevice final : public DirectInputDevice {
 public:
  explicit FakeKeyboardDevice(FakeKeyboard& world) : world_(world), source_(world) {}
  ~FakeKeyboardDevice() override { world_.acquired = false; }

  void SetCommonDataFormat(int format) override { source_.SetCommonDataFormat(format); }
  void SetCooperativeLevel(NativeWindowId window, int flags) override {
    source_.SetCooperativeLevel(window, flags);
    world_.window = window;
  }
  void Acquire() override {
    source_.Acquire();
    ++world_.acquires;
    world_.acquired = true;
  }
  void GetDeviceStateKeyboard(KeyboardState& state) override {
    source_.GetDeviceStateKeyboard(state);
  }
  void Unacquire() override {
    source_.Unacquire();
    ++world_.unacquires;
    world_.acquired = false;
  }

 private:
  FakeKeyboard& world_;
  FakeKeySource source_;
};

class FakeDirectInput final : public DirectInput {
 public:
  explicit FakeDirectInput(FakeKeyboard& world) : world_(world) {}
  std::unique_ptr<DirectInputDevice> CreateDevice(std::string_view guid) override {
    if (world_.refuseDevice || guid != GUID_SysKeyboard) {
      throw DirectInputError("fake: no such input device");
    }
    return std::make_unique<FakeKeyboardDevice>(world_);
  }

 private:
  FakeKeyboard& world_;
};

class FakeDirectX final : public DirectX7 {
 public:
  explicit FakeDirectX(FakeKeyboard& world) : world_(world) {}
  std::unique_ptr<DirectInput> DirectInputCreate() override {
    if (world_.refuseCreate) throw DirectInputUnavailable("fake: DirectInput is missing");
    return std::make_unique<FakeDirectInput>(world_);
  }

 private:
  FakeKeyboard& world_;
};

class FakeForeground final : public Foreground {
 public:
  std::int64_t ForegroundOwner() override {
    ++ownerQueries;
    return owner;
  }
  void Activate(NativeWindowId window) override { activated.push_back(window); }

  std::int64_t owner = 0;
  int ownerQueries = 0;
  std::vector<NativeWindowId> activated;
};

}  // namespace marlit::fake
