#pragma once
// Counts the X server's bell: the alert sound of any program on the display.
// Kept apart from other test code: Xlib's macros clash with other headers.

#include <memory>

namespace runlet_test {

class BellListener {
 public:
  BellListener();
  ~BellListener();
  bool usable() const;
  // Bells rung since the listener started, as far as the server has told.
  int rings();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace runlet_test
