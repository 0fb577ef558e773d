#pragma once
// A GTK window as the X server sees it, and the server's bell.
// Kept apart from other test code: Xlib's macros clash with other headers.

#include <gtk/gtk.h>

#include <cstdint>
#include <vector>

struct _XDisplay;

namespace runlet_test {

unsigned long x11WindowId(GtkWindow* window);

// The colours (0xRRGGBB) down the middle column of the window, as the server shows it.
std::vector<std::uint32_t> middleColumn(unsigned long xid);

// The window's top-left corner on the screen.
std::pair<int, int> screenPosition(unsigned long xid);

// Counts the alert sounds of any program on the display.
class BellListener {
 public:
  BellListener();
  ~BellListener();
  bool usable() const { return event_ != 0; }
  // Bells rung since the listener started, as far as the server has told.
  int rings();

 private:
  _XDisplay* display_;
  int event_ = 0;
  int rings_ = 0;
};

}  // namespace runlet_test
