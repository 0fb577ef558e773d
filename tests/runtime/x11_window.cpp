#include "tests/runtime/x11_window.hpp"

#include <X11/Xutil.h>
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

}  // namespace runlet_test
