// Arbitrary bytes as a page: the link scan must neither crash nor hand back
// anything but absolute URLs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "iconsource/icon_links.hpp"
#include "iconsource/website_icon_fetcher.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const platform::Url page = *platform::Url::parse("https://fuzz.example:8443/dir/page.html?q=1");
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const auto& url : iconsource::parseIconLinks(bytes, page)) {
    if (!url.hasScheme()) std::abort();
  }
  if (auto url = iconsource::normalizedWebsiteURL(bytes); url && !url->hasScheme()) std::abort();
  return 0;
}
