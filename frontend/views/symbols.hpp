#pragma once
// The wizard names its symbols as the original design does ("arrow.right",
// "star.fill"); this table spells them as icon names of the desktop's theme
// (or of Nimbrel's own icons where the theme has no match).

#include <string_view>

namespace views {

// The icon name for a symbol name; "image-missing" for a name not in the table.
const char* iconNameForSymbol(std::string_view symbol);

}  // namespace views
