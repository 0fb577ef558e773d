#pragma once
// The configuration record a generated app carries in Contents/Resources/app.plist.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/bundle.hpp"
#include "platform/plist.hpp"

namespace runlet {

struct AppConfig {
  std::string name = "App";
  std::string type = "url";
  std::string url;
  std::string indexFile = "index.html";
  bool fullContent = false;

  // Each key is read on its own; a missing key or one of another type keeps its default.
  static AppConfig from(const platform::plist::Dictionary& dict);

  // Only the exact, case-sensitive "local" selects the bundled site.
  bool isLocal() const { return type == "local"; }
};

// Never fails: anything but a readable dictionary yields the all-defaults record.
AppConfig readAppConfig(const std::filesystem::path& plistPath);
AppConfig readAppConfigData(std::string_view bytes);
AppConfig readAppConfig(const std::optional<platform::Bundle>& bundle);

}  // namespace runlet
