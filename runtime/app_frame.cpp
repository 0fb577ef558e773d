#include "platform/user_defaults.hpp"
#include "runtime/app_delegate.hpp"
#include "runtime/callback_guard.hpp"
#include "runtime/window_frame.hpp"

namespace runlet {

namespace {

platform::UserDefaults defaultsOf(const std::optional<platform::Bundle>& bundle) {
  auto identifier = bundle ? bundle->identifier() : std::nullopt;
  // Named like the app's other folders: a bundle identifier may be too long for a folder name.
  return platform::UserDefaults(applicationId(identifier.value_or("")));
}

}  // namespace

// A frame that cannot be read or saved (an identifier that names no folder,
// a file where the settings folder should be, a full disk) is simply not
// remembered.
void AppDelegate::restoreFrame() {
  guarded([&] {
    auto stored = defaultsOf(options_.bundle).object(std::string(kFrameAutosaveName));
    auto frame = stored ? windowFrameFrom(*stored) : std::nullopt;
    if (!frame) return;
    gtk_window_set_default_size(window_, frame->width, frame->height);
    if (frame->maximized) gtk_window_maximize(window_);
  });
}

void AppDelegate::saveFrame() {
  // The default size follows the user's resizing but not maximizing, so it
  // is the size to come back to.
  WindowFrame frame;
  gtk_window_get_default_size(window_, &frame.width, &frame.height);
  frame.maximized = gtk_window_is_maximized(window_);
  if (!windowFrameFrom(toValue(frame))) return;
  guarded([&] { defaultsOf(options_.bundle).set(std::string(kFrameAutosaveName), toValue(frame)); });
}

}  // namespace runlet
