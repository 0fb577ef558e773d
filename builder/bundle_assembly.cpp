#include "builder/bundle_assembly.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>
#include <vector>

#include "builder/bundle_identifier.hpp"
#include "builder/file_copy.hpp"
#include "builder/generator_error.hpp"
#include "platform/app_id.hpp"
#include "platform/plist.hpp"

namespace builder {

namespace fs = std::filesystem;
namespace plist = platform::plist;

namespace {

bool itemExists(const fs::path& path) {
  std::error_code ec;
  // symlink_status: a dangling link is still something in the way.
  return fs::exists(fs::symlink_status(path, ec));
}

void removeQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
}

// The text after the last "." of the last component, as the original
// platform reads it (".app" alone counts as extension "app").
std::string pathExtension(const fs::path& path) {
  std::string last = path.filename().string();
  auto dot = last.rfind('.');
  return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}

}  // namespace

void writeFileBytes(const fs::path& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::system_error(errno, std::system_category(), "Could not write " + path.string());
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      throw std::system_error(error, std::system_category(), "Could not write " + path.string());
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) throw std::system_error(errno, std::system_category(), "Could not write " + path.string());
}

std::shared_ptr<StagedBundle> createBundle(const AppGenerator& request, const fs::path& destination,
                                           const BuildEnvironment& env, const ProgressCallback& progress,
                                           GCancellable* cancellable) {
  auto templateBundle = env.templateBundle();
  if (!templateBundle) throw GeneratorError::templateMissing();
  if (itemExists(destination) && pathExtension(destination) != "app") {
    throw GeneratorError::destinationExists(destination.filename().string());
  }
  throwIfCancelled(cancellable);
  auto staged = StagedBundle::create(destination);
  progress("Creating app bundle\u2026");
  copyTree(*templateBundle, staged->bundle(), cancellable);
  assembleBundle(request, staged->bundle(), progress, cancellable);
  return staged;
}

void assembleBundle(const AppGenerator& request, const fs::path& destination, const ProgressCallback& progress,
                    GCancellable* cancellable) {
  const fs::path contents = destination / "Contents";
  const fs::path resources = contents / "Resources";
  removeQuietly(contents / "_CodeSignature");
  removeQuietly(contents / "CodeResources");

  const std::string executable = executableName(request.name);
  const std::string identifier = bundleIdentifier(request);
  updateInfoPlist(contents / "Info.plist", request.name, executable, identifier, storageKey(request));

  const fs::path templateExecutable = contents / "MacOS" / "Runlet";
  const fs::path newExecutable = contents / "MacOS" / executable;
  if (itemExists(templateExecutable) && templateExecutable != newExecutable) {
    fs::rename(templateExecutable, newExecutable);
  }
  removeQuietly(resources / "Assets.car");

  std::string indexFile = "index.html";
  if (const auto* site = request.source.asLocalFolder()) {
    indexFile = bundleWebsite(site->folder, resources, progress, cancellable);
  }

  const auto* address = request.source.asUrl();
  plist::Dictionary config{
      {"name", request.name},   {"type", address ? "url" : "local"},  {"url", address ? address->text : std::string()},
      {"indexFile", indexFile}, {"fullcontent", request.fullContent},
  };
  fs::create_directories(resources);  // a template without resources of its own still gets its record
  writeFileBytes(resources / "app.plist", plist::toXML(config));
}

void updateInfoPlist(const fs::path& infoPlist, const std::string& name, const std::string& executable,
                     const std::string& identifier, const std::string& storageKey) {
  const auto unreadable = GeneratorError::fileError("Could not read the app's Info.plist.");
  auto value = plist::readFile(infoPlist);
  if (!value) throw unreadable;
  auto* dict = value->get<plist::Dictionary>();
  if (!dict) throw unreadable;
  (*dict)["CFBundleName"] = name;
  (*dict)["CFBundleDisplayName"] = name;
  (*dict)["CFBundleExecutable"] = executable;
  (*dict)["CFBundleIdentifier"] = identifier;
  (*dict)["CFBundleIconFile"] = "AppIcon";
  dict->erase("CFBundleIconName");
  if (!storageKey.empty()) (*dict)[platform::storageKeyInfoKey] = storageKey;
  writeFileBytes(infoPlist, plist::toXML(*value));
}

std::string bundleWebsite(const fs::path& site, const fs::path& resources, const ProgressCallback& progress,
                          GCancellable* cancellable) {
  progress("Bundling website files\u2026");
  const fs::path target = resources / "Site";
  removeQuietly(target);
  fs::create_directories(target);

  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(site)) {
    if (entry.path().filename().string().starts_with(".")) continue;
    entries.push_back(entry.path());
  }
  for (const auto& entry : entries) copyTree(entry, target / entry.filename(), cancellable);

  for (const char* candidate : indexCandidates) {
    if (itemExists(target / candidate)) return candidate;
  }
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(target, ec)) {
    std::string extension = pathExtension(entry.path());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "html") return entry.path().filename().string();
  }
  throw GeneratorError::localFolderHasNoHTML();
}

}  // namespace builder
