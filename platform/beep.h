#pragma once

namespace marlit {

// The system's default alert sound.
class Beeper {
 public:
  virtual ~Beeper() = default;
  virtual void Beep() = 0;
};

}  // namespace marlit
