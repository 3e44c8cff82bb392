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

// The keyboards among the readable event devices of folder; throws DirectInputUnavailable when
// there is none.
[[nodiscard]] std::unique_ptr<DirectInput> MakeEvdevDirectInput(const std::filesystem::path& folder);

}  // namespace marlit
