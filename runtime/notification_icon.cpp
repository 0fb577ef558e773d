#include "runtime/notification_icon.hpp"

#include <cstdlib>

#include "platform/plist.hpp"
#include "tools/common/icns.hpp"

namespace runlet {

namespace fs = std::filesystem;

fs::path bundleIconFile(const platform::Bundle& bundle) {
  std::string name = platform::plist::lookup<std::string>(bundle.infoDictionary(), "CFBundleIconFile").value_or("");
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") name = "AppIcon";
  if (fs::path(name).extension().empty()) name += ".icns";
  return bundle.resourcesPath() / name;
}

std::optional<std::vector<std::uint8_t>> notificationIconPNG(std::span<const std::uint8_t> icnsBytes) {
  constexpr long kWanted = 256;
  auto elements = tools::icns::decode(icnsBytes);
  if (!elements) return std::nullopt;
  const tools::icns::Element* best = nullptr;
  long bestDistance = 0;
  for (const auto& element : *elements) {
    auto size = tools::icns::pngSize(element.data);
    if (!size) continue;
    long distance = std::labs(static_cast<long>(size->width) - kWanted);
    if (!best || distance < bestDistance) {
      best = &element;
      bestDistance = distance;
    }
  }
  if (!best) return std::nullopt;
  return best->data;
}

}  // namespace runlet
