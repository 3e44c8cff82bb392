#include "tests/fakes/fake_keyboard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/keyboard/backends.h"
#include "tests/platform/keyboard_contract.h"

namespace marlit {
namespace {

using test_support::KeyboardContract;

class FakeRig final : public test_support::KeyboardRig {
 public:
  DirectX7& Root() override { return root_; }
  NativeWindowId Window() override { return 0x1234; }
  void Press(std::uint8_t code) override { world_.Press(code); }
  void Release(std::uint8_t code) override { world_.Release(code); }

 private:
  fake::FakeKeyboard world_;
  fake::FakeDirectX root_{world_};
};

INSTANTIATE_TEST_SUITE_P(Fake, KeyboardContract,
                         ::testing::Values(test_support::RigMaker{
                             "Fake", [] { return std::make_unique<FakeRig>(); }}),
                         test_support::ByName());

TEST(FakeKeyboard, FailsOnDemandWithTheErrorsOfTheRealDevices) {
  fake::FakeKeyboard world;
  fake::FakeDirectX root(world);
  world.refuseCreate = true;
  EXPECT_THROW((void)root.DirectInputCreate(), DirectInputUnavailable);
  world.refuseCreate = false;
  auto input = root.DirectInputCreate();
  world.refuseDevice = true;
  EXPECT_THROW((void)input->CreateDevice(GUID_SysKeyboard), DirectInputError);
  world.refuseDevice = false;
  auto device = input->CreateDevice(GUID_SysKeyboard);
  device->SetCommonDataFormat(DIFORMAT_KEYBOARD);
  device->Acquire();
  world.failReads = true;
  KeyboardState state{};
  EXPECT_THROW(device->GetDeviceStateKeyboard(state), DirectInputError);
  EXPECT_EQ(world.reads, 1);
}

class EvdevFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("marlit-evdev-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_F(EvdevFolder, NoFolderIsTheCreateFailure) {
  EXPECT_THROW((void)MakeEvdevDirectInput(folder_ / "missing"), DirectInputUnavailable);
}

TEST_F(EvdevFolder, FilesThatAreNoKeyboardsAreTheCreateFailure) {
  std::ofstream(folder_ / "event0") << "not a device";
  std::ofstream(folder_ / "mouse0") << "";
  std::filesystem::create_directory(folder_ / "event1");
  std::ofstream(folder_ / "event2");
  std::filesystem::permissions(folder_ / "event2", std::filesystem::perms::none);
  EXPECT_THROW((void)MakeEvdevDirectInput(folder_), DirectInputUnavailable);
}

}  // namespace
}  // namespace marlit
