#pragma once
// Icon links named by a page's own <link> tags.

#include <string_view>
#include <vector>

#include "platform/url.hpp"

namespace iconsource {

// Absolute URLs of the page's icon links, in document order. Any <link> tag
// whose text contains "icon" (case-insensitively) counts, whatever attribute
// holds it; its first quoted href is taken verbatim and resolved against
// `pageUrl`. Values that do not resolve are left out. Takes arbitrary bytes
// and runs in time linear in their length.
std::vector<platform::Url> parseIconLinks(std::string_view html, const platform::Url& pageUrl);

}  // namespace iconsource
