#include <xcb/xcb.h>

#include <cstdlib>

#include "platform/keyboard/backends.h"
#include "platform/keyboard/key_table.h"
#include "platform/keyboard/keyboard_device.h"

namespace marlit {
namespace {

class X11Keyboard final : public KeyboardDeviceBase {
 public:
  explicit X11Keyboard(xcb_connection_t* connection) : connection_(connection) {}

 private:
  void ReadKeys(KeyboardState& state) override {
    // libxcb hands every reply over in a buffer of its own allocation; there is no call that
    // reads a reply into the caller's memory, so the one small buffer is freed at once.
    xcb_generic_error_t* error = nullptr;
    xcb_query_keymap_reply_t* reply =
        xcb_query_keymap_reply(connection_, xcb_query_keymap(connection_), &error);
    if (reply == nullptr) {
      std::free(error);
      throw DirectInputError("the X server did not answer the key map query");
    }
    FillKeyboardState(reply->keys, -8, state);
    std::free(reply);
  }

  xcb_connection_t* connection_;
};

class X11Input final : public DirectInput {
 public:
  explicit X11Input(xcb_connection_t* connection) : connection_(connection) {}

  std::unique_ptr<DirectInputDevice> CreateDevice(std::string_view guid) override {
    if (guid != GUID_SysKeyboard) throw DirectInputError("no such input device");
    return std::make_unique<X11Keyboard>(connection_);
  }

 private:
  xcb_connection_t* connection_;
};

}  // namespace

std::unique_ptr<DirectInput> MakeX11DirectInput(xcb_connection_t* connection) {
  if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
    throw DirectInputUnavailable("no connection to the X server");
  }
  return std::make_unique<X11Input>(connection);
}

}  // namespace marlit
