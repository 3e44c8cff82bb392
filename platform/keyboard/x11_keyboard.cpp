#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/keyboard/backends.h"
#include "platform/keyboard/key_table.h"
#include "platform/keyboard/keyboard_device.h"

namespace marlit {
namespace {

// A connection that the devices share with the input object: borrowed, or the input's own.
struct Connection {
  std::shared_ptr<xcb_connection_t> c;
  bool own = false;
};

class X11Keyboard final : public KeyboardDeviceBase {
 public:
  explicit X11Keyboard(Connection connection) : connection_(std::move(connection)) {}

 private:
  void ReadKeys(KeyboardState& state) override {
    // libxcb hands every reply over in a buffer of its own allocation; there is no call that
    // reads a reply into the caller's memory, so the one small buffer is freed at once.
    xcb_generic_error_t* error = nullptr;
    xcb_query_keymap_reply_t* reply =
        xcb_query_keymap_reply(connection_.c.get(), xcb_query_keymap(connection_.c.get()), &error);
    if (reply == nullptr) {
      std::free(error);
      throw DirectInputError("the X server did not answer the key map query");
    }
    FillKeyboardState(reply->keys, -8, state);
    std::free(reply);
    if (connection_.own) DropQueuedEvents();
  }

  // No events are selected on a connection of our own, but the server sends MappingNotify to
  // every client: what has been read in with the replies is dropped, lest it pile up.
  void DropQueuedEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection_.c.get())) {
      std::free(event);
    }
  }

  Connection connection_;
};

class X11Input final : public DirectInput {
 public:
  explicit X11Input(Connection connection) : connection_(std::move(connection)) {}

  std::unique_ptr<DirectInputDevice> CreateDevice(std::string_view guid) override {
    if (guid != GUID_SysKeyboard) throw DirectInputError("no such input device");
    return std::make_unique<X11Keyboard>(connection_);
  }

 private:
  Connection connection_;
};

}  // namespace

std::unique_ptr<DirectInput> MakeX11DirectInput(xcb_connection_t* connection) {
  if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
    throw DirectInputUnavailable("no connection to the X server");
  }
  return std::make_unique<X11Input>(Connection{{connection, [](xcb_connection_t*) {}}, false});
}

std::unique_ptr<DirectInput> MakeOwnX11DirectInput(const char* displayName) {
  Connection connection{{xcb_connect(displayName, nullptr), xcb_disconnect}, true};
  if (xcb_connection_has_error(connection.c.get()) != 0) {
    throw DirectInputUnavailable("no connection to the X server");
  }
  return std::make_unique<X11Input>(std::move(connection));
}

}  // namespace marlit
