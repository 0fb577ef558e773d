#pragma once
// The main window's remembered size, kept in the app's own defaults under
// the name "NimbrelMainWindow" so that every generated app keeps its own.

#include <optional>
#include <string_view>

#include "platform/plist.hpp"

namespace runlet {

inline constexpr std::string_view kFrameAutosaveName = "NimbrelMainWindow";

struct WindowFrame {
  int width = 0;
  int height = 0;
  bool maximized = false;
  bool operator==(const WindowFrame&) const = default;
};

platform::plist::Value toValue(const WindowFrame& frame);
// Nothing for a stored value that is not a usable frame (wrong types, sizes
// out of range), so a damaged entry falls back to the default size.
std::optional<WindowFrame> windowFrameFrom(const platform::plist::Value& value);

}  // namespace runlet
