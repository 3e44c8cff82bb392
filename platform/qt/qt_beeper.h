#pragma once

#include "platform/beep.h"

namespace marlit {

// The desktop's alert sound (on X11 the server's bell).
class QtBeeper : public Beeper {
 public:
  void Beep() override;
};

}  // namespace marlit
