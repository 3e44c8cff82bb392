#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/keyboard/backends.h"
#include "platform/keyboard/key_table.h"
#include "platform/keyboard/keyboard_device.h"

namespace marlit {
namespace {

// Where the input object and its devices reach the X server: a borrowed connection, one of the
// keyboard's own, or one of its own that is opened at the first read, with the borrowed one to
// fall back on should the server refuse it then.
class Link {
 public:
  static std::shared_ptr<Link> Borrowed(xcb_connection_t* connection) {
    return std::make_shared<Link>(connection, nullptr);
  }
  static std::shared_ptr<Link> Own(xcb_connection_t* opened) {
    return std::make_shared<Link>(nullptr, opened);
  }
  static std::shared_ptr<Link> Deferred(const char* displayName, xcb_connection_t* fallback) {
    auto link = std::make_shared<Link>(fallback, nullptr);
    link->pending_ = std::string(displayName != nullptr ? displayName : "");
    return link;
  }

  Link(xcb_connection_t* borrowed, xcb_connection_t* own) : borrowed_(borrowed), own_(own) {}
  ~Link() {
    if (own_ != nullptr) xcb_disconnect(own_);
  }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  [[nodiscard]] xcb_connection_t* Get() {
    if (pending_) Open();
    return own_ != nullptr ? own_ : borrowed_;
  }
  [[nodiscard]] bool IsOwn(const xcb_connection_t* c) const { return c == own_; }

 private:
  void Open() {
    xcb_connection_t* c = xcb_connect(pending_->empty() ? nullptr : pending_->c_str(), nullptr);
    pending_.reset();
    if (xcb_connection_has_error(c) != 0) {
      xcb_disconnect(c);
      return;
    }
    own_ = c;
  }

  xcb_connection_t* borrowed_;
  xcb_connection_t* own_;
  // The display still to be opened ("" for $DISPLAY).
  std::optional<std::string> pending_;
};

class X11Keyboard final : public KeyboardDeviceBase {
 public:
  explicit X11Keyboard(std::shared_ptr<Link> link) : link_(std::move(link)) {}

 private:
  void ReadKeys(KeyboardState& state) override {
    // libxcb hands every reply over in a buffer of its own allocation; there is no call that
    // reads a reply into the caller's memory, so the one small buffer is freed at once.
    xcb_connection_t* c = link_->Get();
    xcb_generic_error_t* error = nullptr;
    xcb_query_keymap_reply_t* reply = xcb_query_keymap_reply(c, xcb_query_keymap(c), &error);
    if (reply == nullptr) {
      std::free(error);
      throw DirectInputError("the X server did not answer the key map query");
    }
    FillKeyboardState(reply->keys, -8, state);
    std::free(reply);
    if (link_->IsOwn(c)) DropQueuedEvents(c);
  }

  // No events are selected on a connection of our own, but the server sends MappingNotify to
  // every client: what has been read in with the replies is dropped, lest it pile up.
  static void DropQueuedEvents(xcb_connection_t* c) {
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(c)) {
      std::free(event);
    }
  }

  std::shared_ptr<Link> link_;
};

class X11Input final : public DirectInput {
 public:
  explicit X11Input(std::shared_ptr<Link> link) : link_(std::move(link)) {}

  std::unique_ptr<DirectInputDevice> CreateDevice(std::string_view guid) override {
    if (guid != GUID_SysKeyboard) throw DirectInputError("no such input device");
    return std::make_unique<X11Keyboard>(link_);
  }

 private:
  std::shared_ptr<Link> link_;
};

[[nodiscard]] bool Usable(xcb_connection_t* connection) {
  return connection != nullptr && xcb_connection_has_error(connection) == 0;
}

}  // namespace

std::unique_ptr<DirectInput> MakeX11DirectInput(xcb_connection_t* connection) {
  if (!Usable(connection)) throw DirectInputUnavailable("no connection to the X server");
  return std::make_unique<X11Input>(Link::Borrowed(connection));
}

std::unique_ptr<DirectInput> MakeOwnX11DirectInput(const char* displayName) {
  xcb_connection_t* c = xcb_connect(displayName, nullptr);
  if (!Usable(c)) {
    xcb_disconnect(c);
    throw DirectInputUnavailable("no connection to the X server");
  }
  return std::make_unique<X11Input>(Link::Own(c));
}

std::unique_ptr<DirectInput> MakeDeferredX11DirectInput(const char* displayName,
                                                        xcb_connection_t* fallback) {
  if (!Usable(fallback)) throw DirectInputUnavailable("no connection to the X server");
  return std::make_unique<X11Input>(Link::Deferred(displayName, fallback));
}

}  // namespace marlit
