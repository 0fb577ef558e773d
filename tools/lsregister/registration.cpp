#include "tools/lsregister/registration.hpp"

#include <glib.h>

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/app_id.hpp"
#include "platform/gobject_ptr.hpp"
#include "tools/common/atomic_file.hpp"
#include "tools/common/icns.hpp"
#include "tools/common/process.hpp"
#include "tools/lsregister/desktop_entry.hpp"

namespace fs = std::filesystem;

namespace lsregister {
namespace {

// The sizes the hicolor theme has folders for; others would never be found.
const std::set<std::uint32_t> kThemeSizes{16, 22, 24, 32, 36, 48, 64, 72, 96, 128, 192, 256, 512};

struct Registration {
  fs::path file;
  std::optional<std::string> iconName;
};

bool isPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The bundle path a launcher was made for; nothing for launchers of others.
std::optional<std::string> recordedBundle(const fs::path& file, std::optional<std::string>* iconName = nullptr) {
  platform::CPtr<GKeyFile> keys(g_key_file_new());
  if (!g_key_file_load_from_file(keys.get(), file.c_str(), G_KEY_FILE_NONE, nullptr)) return std::nullopt;
  platform::GCharPtr bundle(g_key_file_get_string(keys.get(), G_KEY_FILE_DESKTOP_GROUP, kBundleKey, nullptr));
  if (!bundle) return std::nullopt;
  if (iconName) {
    platform::GCharPtr icon(
        g_key_file_get_string(keys.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_ICON, nullptr));
    if (icon && isPlainName(icon.get())) *iconName = icon.get();
  }
  return std::string(bundle.get());
}

std::vector<Registration> registrationsOf(const fs::path& bundlePath, const Locations& locations) {
  std::vector<Registration> found;
  std::error_code ec;
  for (fs::directory_iterator it(locations.applications, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() != ".desktop" || !it->is_regular_file(ec)) continue;
    Registration registration{it->path(), std::nullopt};
    auto recorded = recordedBundle(it->path(), &registration.iconName);
    if (recorded && *recorded == bundlePath.string()) found.push_back(std::move(registration));
  }
  return found;
}

fs::path iconPath(const Locations& locations, std::uint32_t size, const std::string& name) {
  std::string folder = std::to_string(size) + "x" + std::to_string(size);
  return locations.hicolor / folder / "apps" / (name + ".png");
}

// Writes the square PNG elements of the bundle's icon file into the theme;
// returns the sizes written (none when there is no usable icon).
std::set<std::uint32_t> installIcons(const BundleInfo& bundle, const std::string& name, const Locations& locations) {
  std::error_code ec;
  if (!fs::is_regular_file(bundle.iconFile, ec)) return {};
  auto elements = tools::icns::decode(tools::readWholeFile(bundle.iconFile));
  if (!elements) {
    std::fprintf(stderr, "lsregister: %s: not a readable icon file; registering without an icon\n",
                 bundle.iconFile.c_str());
    return {};
  }
  std::map<std::uint32_t, const std::vector<std::uint8_t>*> bySize;
  for (const auto& element : *elements) {
    auto size = tools::icns::pngSize(element.data);
    if (size && size->width == size->height && kThemeSizes.contains(size->width))
      bySize.emplace(size->width, &element.data);  // the first of a size wins
  }
  std::set<std::uint32_t> written;
  for (const auto& [size, data] : bySize) {
    fs::path target = iconPath(locations, size, name);
    fs::create_directories(target.parent_path());
    tools::writeFileAtomically(target, *data);
    written.insert(size);
  }
  return written;
}

// Removes <name>.png from every size folder of the theme except those kept.
void removeIcons(const std::string& name, const Locations& locations, const std::set<std::uint32_t>& keep = {}) {
  std::error_code ec;
  for (fs::directory_iterator it(locations.hicolor, ec), end; !ec && it != end; it.increment(ec)) {
    fs::path file = it->path() / "apps" / (name + ".png");
    unsigned size = 0, height = 0;
    if (std::sscanf(it->path().filename().c_str(), "%ux%u", &size, &height) == 2 && size == height &&
        keep.contains(size))
      continue;
    std::error_code ignored;
    fs::remove(file, ignored);
  }
}

// Makes link point at target, replacing an older link in one step.
void placeLink(const fs::path& link, const fs::path& target) {
  fs::create_directories(link.parent_path());
  fs::path temporary = link;
  temporary += ".new";
  std::error_code ec;
  fs::remove(temporary, ec);
  fs::create_symlink(target, temporary);
  fs::rename(temporary, link);
}

void refreshDatabase(const Locations& locations) {
  try {
    tools::runProcess({"update-desktop-database", "-q", locations.applications.string()});
  } catch (const std::exception&) {
    // Not installed: launchers then read the folder themselves.
  }
}

}  // namespace

Locations Locations::below(const fs::path& dataHome) {
  return {dataHome / "applications", dataHome / "icons" / "hicolor", dataHome / "nimbrel" / "launchers"};
}

void registerBundle(const BundleInfo& bundle, const Locations& locations) {
  std::string appId = platform::applicationIdForBundleIdentifier(bundle.identifier);
  fs::path entryFile = locations.applications / (appId + ".desktop");
  std::error_code ec;
  if (fs::exists(entryFile, ec) && !recordedBundle(entryFile))
    throw std::runtime_error(entryFile.string() + ": a launcher made by someone else already has this name");

  auto previous = registrationsOf(bundle.path, locations);
  auto iconSizes = installIcons(bundle, appId, locations);
  std::optional<std::string> iconName;
  if (!iconSizes.empty()) iconName = appId;

  BundleInfo launched = bundle;
  fs::path link = locations.launchers / appId;
  bool needsLink =
      bundle.executable.string().find('%') != std::string::npos && link.string().find('%') == std::string::npos;
  if (needsLink) {
    placeLink(link, bundle.executable);
    launched.executable = link;
  }
  fs::create_directories(locations.applications);
  tools::writeFileAtomically(entryFile, desktopEntryText(launched, appId, iconName));
  if (!needsLink) fs::remove(link, ec);

  for (const auto& old : previous) {
    if (old.file != entryFile) {
      fs::remove(old.file, ec);
      fs::remove(locations.launchers / old.file.stem(), ec);
    }
    // Under the same name keep what was just written; sizes the new icon lacks go.
    if (old.iconName)
      removeIcons(*old.iconName, locations, *old.iconName == appId ? iconSizes : std::set<std::uint32_t>{});
  }
  refreshDatabase(locations);
}

void unregisterBundle(const fs::path& bundlePath, const Locations& locations) {
  std::error_code ec;
  for (const auto& old : registrationsOf(bundlePath, locations)) {
    fs::remove(old.file, ec);
    fs::remove(locations.launchers / old.file.stem(), ec);
    if (old.iconName) removeIcons(*old.iconName, locations);
  }
  refreshDatabase(locations);
}

}  // namespace lsregister
