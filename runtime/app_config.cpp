#include "runtime/app_config.hpp"

namespace runlet {

namespace plist = platform::plist;

namespace {
// Far beyond any record the builder writes; larger files are not a record.
constexpr std::uintmax_t kMaxRecordSize = 16 * 1024 * 1024;
}  // namespace

AppConfig AppConfig::from(const plist::Dictionary& dict) {
  AppConfig config;
  if (auto v = plist::lookup<std::string>(dict, "name")) config.name = *v;
  if (auto v = plist::lookup<std::string>(dict, "type")) config.type = *v;
  if (auto v = plist::lookup<std::string>(dict, "url")) config.url = *v;
  if (auto v = plist::lookup<std::string>(dict, "indexFile")) config.indexFile = *v;
  if (auto v = plist::lookup<bool>(dict, "fullcontent")) config.fullContent = *v;
  return config;
}

AppConfig readAppConfigData(std::string_view bytes) {
  auto root = plist::parse(bytes);
  if (!root) return {};
  const auto* dict = root->get<plist::Dictionary>();
  return dict ? AppConfig::from(*dict) : AppConfig{};
}

AppConfig readAppConfig(const std::filesystem::path& plistPath) {
  // A FIFO or device in place of the record would block or never end.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(plistPath, ec)) return {};
  if (std::filesystem::file_size(plistPath, ec) > kMaxRecordSize || ec) return {};
  auto root = plist::readFile(plistPath);
  if (!root) return {};
  const auto* dict = root->get<plist::Dictionary>();
  return dict ? AppConfig::from(*dict) : AppConfig{};
}

AppConfig readAppConfig(const std::optional<platform::Bundle>& bundle) {
  if (!bundle) return {};
  auto path = bundle->pathForResource("app", "plist");
  return path ? readAppConfig(*path) : AppConfig{};
}

}  // namespace runlet
