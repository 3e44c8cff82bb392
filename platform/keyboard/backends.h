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
// The same, but the connection is opened at the first read of the keys, so that a program's start
// does not wait for it; should the server refuse it then, fallback serves instead. Throws
// DirectInputUnavailable at once only when fallback is not a working connection.
[[nodiscard]] std::unique_ptr<DirectInput> MakeDeferredX11DirectInput(const char* displayName,
                                                                      xcb_connection_t* fallback);

// The keyboards among the readable event devices of folder; throws DirectInputUnavailable when
// there is none.
[[nodiscard]] std::unique_ptr<DirectInput> MakeEvdevDirectInput(
    const std::filesystem::path& folder);

}  // namespace marlit
