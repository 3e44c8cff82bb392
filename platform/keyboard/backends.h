#pragma once
// The keyboard sources behind MakeSystemDirectX, reachable on their own for the tests.

#include <filesystem>
#include <memory>

#include "platform/keyboard/direct_input.h"

struct xcb_connection_t;

namespace marlit {

// Qt's own connection to the X server, or nullptr when Qt does not run on xcb.
[[nodiscard]] xcb_connection_t* QtXcbConnection();

// The X server's key map, one query per read.
[[nodiscard]] std::unique_ptr<DirectInput> MakeX11DirectInput(xcb_connection_t* connection);
// The same over a connection of its own to the display named (nullptr: $DISPLAY). On Qt's
// connection every reply also wakes Qt's event reader thread, which costs more than the query
// itself when the keyboard is polled every 10 to 54 ms.
[[nodiscard]] std::unique_ptr<DirectInput> MakeOwnX11DirectInput(const char* displayName);

// The keyboards among the readable event devices of folder; throws DirectInputUnavailable when
// there is none.
[[nodiscard]] std::unique_ptr<DirectInput> MakeEvdevDirectInput(const std::filesystem::path& folder);

}  // namespace marlit
