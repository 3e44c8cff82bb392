#include "probe/native_caption.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

#include "platform/keyboard/backends.h"

namespace marlit {

void ClearNativeCaption(NativeWindowId window) {
  xcb_connection_t* c = QtXcbConnection();
  if (c == nullptr) return;
  constexpr std::string_view kNetWmName = "_NET_WM_NAME";
  constexpr std::string_view kUtf8String = "UTF8_STRING";
  const auto nameCookie = xcb_intern_atom(c, 0, kNetWmName.size(), kNetWmName.data());
  const auto utf8Cookie = xcb_intern_atom(c, 0, kUtf8String.size(), kUtf8String.data());
  xcb_intern_atom_reply_t* name = xcb_intern_atom_reply(c, nameCookie, nullptr);
  xcb_intern_atom_reply_t* utf8 = xcb_intern_atom_reply(c, utf8Cookie, nullptr);
  const auto id = static_cast<xcb_window_t>(window);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                      nullptr);
  if (name != nullptr && utf8 != nullptr) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, name->atom, utf8->atom, 8, 0, nullptr);
  }
  std::free(name);
  std::free(utf8);
  xcb_flush(c);
}

}  // namespace marlit
