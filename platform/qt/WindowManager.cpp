#include "platform/qt/WindowManager.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define KOBRE_HAS_XCB 1
#endif

namespace kobre::platform::qt {

namespace {

#ifdef KOBRE_HAS_XCB
struct FreeReply {
  void operator()(void* p) const { std::free(p); }
};

// The window named by a WINDOW property, 0 when unset.
xcb_window_t windowProperty(xcb_connection_t* c, xcb_window_t on, xcb_atom_t property) {
  xcb_get_property_cookie_t cookie = xcb_get_property(c, 0, on, property, XCB_ATOM_WINDOW, 0, 1);
  std::unique_ptr<xcb_get_property_reply_t, FreeReply> reply(
      xcb_get_property_reply(c, cookie, nullptr));
  if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
      xcb_get_property_value_length(reply.get()) < 4)
    return 0;
  xcb_window_t w = 0;
  std::memcpy(&w, xcb_get_property_value(reply.get()), sizeof w);
  return w;
}

bool x11WindowManager(xcb_connection_t* c) {
  const char name[] = "_NET_SUPPORTING_WM_CHECK";
  std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> atom(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr));
  if (!atom || atom->atom == XCB_ATOM_NONE) return false;
  const xcb_setup_t* setup = xcb_get_setup(c);
  for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it)) {
    xcb_window_t check = windowProperty(c, it.data->root, atom->atom);
    // A manager that went away leaves the property behind: its check window
    // names itself only while it lives.
    if (check != 0 && windowProperty(c, check, atom->atom) == check) return true;
  }
  return false;
}
#endif

}  // namespace

bool hasWindowManager() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!app) return false;
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return false;
#ifdef KOBRE_HAS_XCB
  if (platform == QLatin1String("xcb")) {
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 && x11->connection() && x11WindowManager(x11->connection());
  }
#endif
  return true;  // Wayland and the others: the compositor places windows
}

}  // namespace kobre::platform::qt
