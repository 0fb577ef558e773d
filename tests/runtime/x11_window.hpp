#pragma once
// A GTK window as the X server sees it: what it shows and where it is.
// Kept apart from other test code: Xlib's macros clash with other headers.

#include <gtk/gtk.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace runlet_test {

unsigned long x11WindowId(GtkWindow* window);

// The window's pixels as 0xRRGGBB, row by row.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
std::optional<Screenshot> takeScreenshot(unsigned long xid);

// The window's top-left corner on the screen.
std::pair<int, int> screenPosition(unsigned long xid);

}  // namespace runlet_test
