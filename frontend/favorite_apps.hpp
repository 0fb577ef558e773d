#pragma once
// The ready-made apps offered on the wizard's tile screen.

#include <map>
#include <string>
#include <vector>

namespace frontend {

// Exactly the keys "name", "url", "icon" (a glyph among Nimbrel's resources)
// and "color" ("#RRGGBB").
using FavoriteApp = std::map<std::string, std::string>;

// Built once, never changed; the tile screen shows them in this order.
const std::vector<FavoriteApp>& favoriteApps();

}  // namespace frontend
