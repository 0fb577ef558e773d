#pragma once
// What the wizard's drop targets take, as GTK hands it over: web addresses
// (text/uri-list, text/x-moz-url), plain UTF-8 text, and files. Each value
// becomes a DropItem for the model.

#include <gtk/gtk.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "frontend/wizard_model.hpp"

namespace views {

// The type a web address is dropped as; its deserializers are registered on first use.
GType webAddressType();

// The first address in text/uri-list data (comments skipped) or text/x-moz-url
// data (UTF-16 or UTF-8, the address on the first line); nothing when there is none.
std::optional<std::string> webAddressFromData(std::string_view mimeType, std::span<const std::uint8_t> data);

// A dropped value of a web address, a string, a file or a file list.
std::optional<frontend::DropItem> dropItemFromValue(const GValue* value);

}  // namespace views
