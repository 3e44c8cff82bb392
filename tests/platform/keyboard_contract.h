#pragma once
// One contract for every keyboard device, run against the fake and against the X11 backend, so
// that the fake cannot drift from the real thing.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/keyboard/direct_input.h"

namespace marlit::test_support {

// A root object and a way to hold keys down on the keyboard it reads.
class KeyboardRig {
 public:
  virtual ~KeyboardRig() = default;
  virtual DirectX7& Root() = 0;
  virtual NativeWindowId Window() = 0;
  // Holds down or lets go of the key with this DirectInput code, and waits until it has taken.
  virtual void Press(std::uint8_t directInputCode) = 0;
  virtual void Release(std::uint8_t directInputCode) = 0;
};

// Names parameterised cases after the name field of their parameter.
struct ByName {
  template <typename T>
  std::string operator()(const ::testing::TestParamInfo<T>& p) const {
    return p.param.name;
  }
};

struct RigMaker {
  const char* name;
  std::function<std::unique_ptr<KeyboardRig>()> make;
};

class KeyboardContract : public ::testing::TestWithParam<RigMaker> {
 protected:
  void SetUp() override { rig_ = GetParam().make(); }
  void TearDown() override {
    input_.reset();
    rig_.reset();
  }
  // A device made and configured as Form_Load does.
  std::unique_ptr<DirectInputDevice> ConfiguredDevice();

  std::unique_ptr<KeyboardRig> rig_;
  std::unique_ptr<DirectInput> input_;
};

}  // namespace marlit::test_support
