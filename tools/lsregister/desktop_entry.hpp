#pragma once
// The .desktop launcher of a registered bundle (Desktop Entry format 1.4).

#include <optional>
#include <string>
#include <string_view>

#include "tools/lsregister/bundle_info.hpp"

namespace lsregister {

// Key that names the bundle a launcher was made for, so registering the same
// path again finds and replaces it whatever identifier it had then.
inline constexpr const char* kBundleKey = "X-Nimbrel-Bundle";

// One Exec argument, always double-quoted: '"', '`', '$' and '\' get a
// backslash, '%' is doubled, so any path comes back unchanged from the
// launcher's own parsing (before the key file's escaping, which comes on top).
std::string execArgument(std::string_view argument);

// The whole launcher file. appId names the window class (StartupWMClass) and
// iconName the installed theme icon, when there is one.
std::string desktopEntryText(const BundleInfo& bundle, const std::string& appId,
                             const std::optional<std::string>& iconName);

}  // namespace lsregister
