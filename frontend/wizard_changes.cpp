#include "frontend/wizard_changes.hpp"

#include <glib.h>

namespace frontend {

std::optional<std::string> dropText(const DropItem::Content& content) {
  std::string text;
  if (const auto* ready = std::get_if<std::string>(&content)) {
    text = *ready;
  } else {
    const auto& bytes = std::get<std::vector<std::uint8_t>>(content);
    text.assign(bytes.begin(), bytes.end());
  }
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return std::nullopt;
  return text;
}

}  // namespace frontend
