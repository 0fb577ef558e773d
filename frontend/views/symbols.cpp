#include "frontend/views/symbols.hpp"

#include <array>
#include <utility>

namespace views {
namespace {

// Nimbrel's own icons (nimbrel-*) live in the views' resources under icons/.
constexpr std::array<std::pair<std::string_view, const char*>, 15> kSymbols{{
    {"arrow.right", "go-next-symbolic"},
    {"arrow.left", "go-previous-symbolic"},
    {"star.fill", "starred-symbolic"},
    {"folder.fill", "folder-symbolic"},
    {"globe", "web-browser-symbolic"},
    {"arrow.uturn.backward", "edit-undo-symbolic"},
    {"wand.and.rays", "nimbrel-wand-symbolic"},
    {"exclamationmark.triangle", "dialog-warning-symbolic"},
    {"lightbulb", "nimbrel-lightbulb-symbolic"},
    {"checkmark.seal", "emblem-ok-symbolic"},
    {"play.fill", "media-playback-start-symbolic"},
    {"plus", "list-add-symbolic"},
    {"checklist", "view-list-bullet-symbolic"},
    {"gearshape", "emblem-system-symbolic"},
    {"gearshape.fill", "emblem-system-symbolic"},
}};

}  // namespace

const char* iconNameForSymbol(std::string_view symbol) {
  for (const auto& [name, icon] : kSymbols) {
    if (name == symbol) return icon;
  }
  return "image-missing";
}

}  // namespace views
