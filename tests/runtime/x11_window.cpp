#include "tests/runtime/x11_window.hpp"

#include <X11/XKBlib.h>
#include <gdk/x11/gdkx.h>

namespace runlet_test {

unsigned long x11WindowId(GtkWindow* window) {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
  return surface && GDK_IS_X11_SURFACE(surface) ? gdk_x11_surface_get_xid(surface) : 0;
}

std::vector<std::uint32_t> middleColumn(unsigned long xid) {
  std::vector<std::uint32_t> column;
  Display* display = XOpenDisplay(nullptr);
  XWindowAttributes window;
  if (display && XGetWindowAttributes(display, xid, &window)) {
    if (XImage* image = XGetImage(display, xid, window.width / 2, 0, 1, window.height, AllPlanes, ZPixmap)) {
      for (int y = 0; y < window.height; ++y) column.push_back(XGetPixel(image, 0, y) & 0xFFFFFF);
      XDestroyImage(image);
    }
  }
  if (display) XCloseDisplay(display);
  return column;
}

std::pair<int, int> screenPosition(unsigned long xid) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return {0, 0};
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display, xid, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  XCloseDisplay(display);
  return {x, y};
}

BellListener::BellListener() : display_(XOpenDisplay(nullptr)) {
  int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (display_ && XkbQueryExtension(display_, &opcode, &event, &error, &major, &minor)) {
    XkbSelectEvents(display_, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(display_, False);
    event_ = event;
  }
}

BellListener::~BellListener() {
  if (display_) XCloseDisplay(display_);
}

int BellListener::rings() {
  while (usable() && XPending(display_)) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == event_ && reinterpret_cast<XkbEvent&>(event).any.xkb_type == XkbBellNotify) ++rings_;
  }
  return rings_;
}

}  // namespace runlet_test
