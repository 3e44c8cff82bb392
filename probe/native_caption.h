#pragma once

#include "platform/keyboard/direct_input.h"

namespace marlit {

// Qt never leaves a caption empty (it falls back to the program's name); on X11 the window's
// name properties are emptied here, until the first real caption replaces them.
void ClearNativeCaption(NativeWindowId window);

}  // namespace marlit
