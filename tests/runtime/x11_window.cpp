#include "tests/runtime/x11_window.hpp"

#include <gdk/x11/gdkx.h>

namespace runlet_test {

unsigned long x11WindowId(GtkWindow* window) {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
  return surface && GDK_IS_X11_SURFACE(surface) ? gdk_x11_surface_get_xid(surface) : 0;
}

std::optional<Screenshot> takeScreenshot(unsigned long xid) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return std::nullopt;
  std::optional<Screenshot> shot;
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, xid, &attributes)) {
    if (XImage* image = XGetImage(display, xid, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap)) {
      shot = Screenshot{attributes.width, attributes.height, {}};
      shot->pixels.reserve(static_cast<size_t>(attributes.width) * attributes.height);
      for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) shot->pixels.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
      }
      XDestroyImage(image);
    }
  }
  XCloseDisplay(display);
  return shot;
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
