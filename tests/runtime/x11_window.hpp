#pragma once
// A GTK window as the X server sees it: what it shows and where it is.
// Kept apart from other test code: Xlib's macros clash with other headers.

#include <gtk/gtk.h>

#include <cstdint>
#include <vector>

namespace runlet_test {

unsigned long x11WindowId(GtkWindow* window);

// The colours (0xRRGGBB) down the middle column of the window, as the server shows it.
std::vector<std::uint32_t> middleColumn(unsigned long xid);

// The window's top-left corner on the screen.
std::pair<int, int> screenPosition(unsigned long xid);

}  // namespace runlet_test
