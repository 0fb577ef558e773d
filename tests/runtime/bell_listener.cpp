#include "tests/runtime/bell_listener.hpp"

#include <X11/XKBlib.h>

namespace runlet_test {

struct BellListener::State {
  Display* display = nullptr;
  int event = 0;
  bool usable = false;
  int rings = 0;
};

BellListener::BellListener() : state_(std::make_unique<State>()) {
  state_->display = XOpenDisplay(nullptr);
  int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (state_->display && XkbQueryExtension(state_->display, &opcode, &state_->event, &error, &major, &minor)) {
    XkbSelectEvents(state_->display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(state_->display, False);
    state_->usable = true;
  }
}

BellListener::~BellListener() {
  if (state_->display) XCloseDisplay(state_->display);
}

bool BellListener::usable() const { return state_->usable; }

int BellListener::rings() {
  while (state_->usable && XPending(state_->display)) {
    XEvent event;
    XNextEvent(state_->display, &event);
    if (event.type == state_->event && reinterpret_cast<XkbEvent&>(event).any.xkb_type == XkbBellNotify) {
      ++state_->rings;
    }
  }
  return state_->rings;
}

}  // namespace runlet_test
