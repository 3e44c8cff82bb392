#include "tests/platform/keyboard_contract.h"

namespace marlit::test_support {

std::unique_ptr<DirectInputDevice> KeyboardContract::ConfiguredDevice() {
  input_ = rig_->Root().DirectInputCreate();
  auto device = input_->CreateDevice(GUID_SysKeyboard);
  device->SetCommonDataFormat(DIFORMAT_KEYBOARD);
  device->SetCooperativeLevel(rig_->Window(), kBackgroundSharedLevel);
  return device;
}

namespace {

[[nodiscard]] KeyboardState Down(std::initializer_list<std::uint8_t> codes) {
  KeyboardState state{};
  for (std::uint8_t c : codes) state[c] = 0x80;
  return state;
}

[[nodiscard]] KeyboardState Read(DirectInputDevice& device) {
  KeyboardState state;
  state.fill(0x55);  // every byte must be rewritten
  device.GetDeviceStateKeyboard(state);
  return state;
}

TEST_P(KeyboardContract, KnowsOnlyTheSystemKeyboard) {
  auto input = rig_->Root().DirectInputCreate();
  EXPECT_THROW((void)input->CreateDevice("GUID_SysMouse"), DirectInputError);
  EXPECT_NE(input->CreateDevice(GUID_SysKeyboard), nullptr);
}

TEST_P(KeyboardContract, RefusesOtherFormatsAndLevels) {
  auto input = rig_->Root().DirectInputCreate();
  auto device = input->CreateDevice(GUID_SysKeyboard);
  EXPECT_THROW(device->SetCommonDataFormat(2), DirectInputError);
  EXPECT_THROW(device->SetCooperativeLevel(rig_->Window(), DISCL_EXCLUSIVE | DISCL_FOREGROUND),
               DirectInputError);
  EXPECT_THROW(device->SetCooperativeLevel(rig_->Window(), DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
               DirectInputError);
  EXPECT_THROW(device->Acquire(), DirectInputError) << "no data format yet";
}

TEST_P(KeyboardContract, ReadsOnlyWhileAcquired) {
  auto device = ConfiguredDevice();
  KeyboardState state{};
  EXPECT_THROW(device->GetDeviceStateKeyboard(state), DirectInputError);
  device->Acquire();
  device->Acquire();
  EXPECT_NO_THROW(device->GetDeviceStateKeyboard(state));
  device->Unacquire();
  device->Unacquire();
  EXPECT_THROW(device->GetDeviceStateKeyboard(state), DirectInputError);
}

TEST_P(KeyboardContract, ReportsTheKeysDownInDirectInputsNumbering) {
  auto device = ConfiguredDevice();
  device->Acquire();
  EXPECT_EQ(Read(*device), Down({}));
  rig_->Press(88);
  EXPECT_EQ(Read(*device), Down({88}));
  rig_->Press(30);
  rig_->Press(0x9D);
  EXPECT_EQ(Read(*device), Down({30, 88, 0x9D}));
  rig_->Release(88);
  rig_->Release(30);
  rig_->Release(0x9D);
  EXPECT_EQ(Read(*device), Down({}));
}

}  // namespace
}  // namespace marlit::test_support
