#pragma once
// 主模組: the program-wide state of Marlit, from start to end.

#include <array>
#include <cstdint>

#include "pe/panel/number_text.h"
#include "pe/view/pe_image.h"

namespace marlit {

struct 主模組 {
  HexByteTable HexByteText{};
  // The user-interface thread's owner identity, compared with the foreground window's owner.
  std::int64_t MainThreadId = 0;
  // DirectInput key codes of the hot-key; 0 marks an unused slot.
  std::array<std::int32_t, 3> HotKeyCodes{};
  // The timer polls the keyboard only while true.
  bool HotKeyEnabled = false;
  PeImage Image;
};

// Builds HexByteText, MainThreadId, HotKeyCodes (88, 0, 0: F12 alone) and HotKeyEnabled.
void InitMainModule(主模組& module);

}  // namespace marlit
