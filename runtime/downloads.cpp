#include "runtime/downloads.hpp"

#include <glib.h>

namespace runlet {

namespace fs = std::filesystem;

namespace {

bool isTaken(const fs::path& path) {
  std::error_code ec;
  // symlink_status: a dangling link still occupies the name.
  return fs::exists(fs::symlink_status(path, ec));
}

}  // namespace

fs::path uniqueURL(const fs::path& wanted) {
  if (!isTaken(wanted)) return wanted;
  fs::path folder = wanted.parent_path();
  std::string name = wanted.filename().string();
  // Only the last extension counts: archive.tar.gz → archive.tar (1).gz.
  // A leading dot alone (".profile") is a name, not an extension.
  std::string base = name, extension;
  if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0 && dot + 1 < name.size()) {
    base = name.substr(0, dot);
    extension = name.substr(dot + 1);
  }
  for (unsigned long long n = 1;; ++n) {
    std::string candidate = base + " (" + std::to_string(n) + (extension.empty() ? ")" : ")." + extension);
    fs::path path = folder / candidate;
    if (!isTaken(path)) return path;
  }
}

fs::path downloadsFolder() {
  if (const char* dir = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD); dir && *dir) return dir;
  return g_get_home_dir();
}

std::string safeFileName(std::string_view name) {
  if (auto slash = name.rfind('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
  if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string_view::npos) {
    return std::string(kFallbackFileName);
  }
  return std::string(name);
}

bool isTruncatedDownload(std::uint64_t announcedLength, std::uint64_t receivedLength, bool contentEncoded) {
  return !contentEncoded && announcedLength > 0 && receivedLength < announcedLength;
}

fs::path downloadDestination(const fs::path& folder, std::string_view suggestedName) {
  // The engine already cleans suggested names; a name with folder parts must
  // still never place the file outside the Downloads folder.
  return uniqueURL(folder / safeFileName(suggestedName));
}

}  // namespace runlet
