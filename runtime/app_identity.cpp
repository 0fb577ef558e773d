#include "runtime/app_identity.hpp"

#include <glib.h>

#include "platform/app_id.hpp"

namespace runlet {

std::string applicationId(std::string_view bundleIdentifier) {
  if (bundleIdentifier.empty()) return std::string(kTemplateIdentifier);
  return platform::applicationIdForBundleIdentifier(bundleIdentifier);
}

std::string storageKey(const platform::plist::Dictionary& info) {
  for (const char* key : {platform::storageKeyInfoKey, "CFBundleIdentifier"}) {
    if (auto value = platform::plist::lookup<std::string>(info, key); value && !value->empty()) return *value;
  }
  return {};
}

StorageFolders storageFolders(std::string_view storageKey) {
  const std::string name = applicationId(storageKey);
  return {std::filesystem::path(g_get_user_data_dir()) / name, std::filesystem::path(g_get_user_cache_dir()) / name};
}

}  // namespace runlet
