#include "platform/qt/x11_window_level.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace marlit {

namespace {

constexpr std::uint32_t kRemove = 0;
constexpr std::uint32_t kAdd = 1;
constexpr std::uint32_t kSourceApplication = 1;

xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
  auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::char_traits<char>::length(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
  if (reply == nullptr) return XCB_ATOM_NONE;
  xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

// The root window of the window's screen, or none when the window is gone.
xcb_window_t RootOf(xcb_connection_t* c, xcb_window_t window) {
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
  if (g == nullptr) return XCB_WINDOW_NONE;
  xcb_window_t root = g->root;
  std::free(g);
  return root;
}

bool IsMapped(xcb_connection_t* c, xcb_window_t window) {
  xcb_get_window_attributes_reply_t* a =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
  if (a == nullptr) return false;
  bool mapped = a->map_state != XCB_MAP_STATE_UNMAPPED;
  std::free(a);
  return mapped;
}

// A mapped window's state belongs to the window manager: ask it (EWMH _NET_WM_STATE message).
void AskWindowManager(xcb_connection_t* c, xcb_window_t window, xcb_window_t root, xcb_atom_t state,
                      xcb_atom_t above, bool topmost) {
  xcb_client_message_event_t ev{};
  ev.response_type = XCB_CLIENT_MESSAGE;
  ev.format = 32;
  ev.window = window;
  ev.type = state;
  ev.data.data32[0] = topmost ? kAdd : kRemove;
  ev.data.data32[1] = above;
  ev.data.data32[2] = 0;
  ev.data.data32[3] = kSourceApplication;
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&ev));
}

// An unmapped window carries its initial state in the property, which the manager reads on map.
void WriteStateProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t state, xcb_atom_t above,
                        bool topmost) {
  std::vector<xcb_atom_t> atoms;
  xcb_get_property_reply_t* p = xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
  if (p != nullptr) {
    if (p->format == 32 && p->type == XCB_ATOM_ATOM) {
      auto* begin = static_cast<const xcb_atom_t*>(xcb_get_property_value(p));
      atoms.assign(begin, begin + xcb_get_property_value_length(p) / 4);
    }
    std::free(p);
  }
  std::erase(atoms, above);
  if (topmost) atoms.push_back(above);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                      static_cast<std::uint32_t>(atoms.size()), atoms.data());
}

}  // namespace

void X11WindowLevel::SetTopmost(std::uintptr_t nativeWindow, bool topmost) {
  xcb_connection_t* c = connection_;
  const auto window = static_cast<xcb_window_t>(nativeWindow);
  if (c == nullptr || window == XCB_WINDOW_NONE) return;
  const xcb_atom_t state = InternAtom(c, "_NET_WM_STATE");
  const xcb_atom_t above = InternAtom(c, "_NET_WM_STATE_ABOVE");
  const xcb_window_t root = RootOf(c, window);
  if (state == XCB_ATOM_NONE || above == XCB_ATOM_NONE || root == XCB_WINDOW_NONE) return;
  if (IsMapped(c, window)) {
    AskWindowManager(c, window, root, state, above, topmost);
  } else {
    WriteStateProperty(c, window, state, above, topmost);
  }
  xcb_flush(c);
}

std::unique_ptr<WindowLevel> MakeWindowLevel() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app != nullptr) {
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) {
      if (x11->connection() != nullptr) return std::make_unique<X11WindowLevel>(x11->connection());
    }
  }
  return std::make_unique<RecordingWindowLevel>();
}

}  // namespace marlit
