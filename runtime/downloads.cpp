#include "runtime/downloads.hpp"

#include <glib.h>

namespace runlet {

namespace fs = std::filesystem;

namespace {

// An extension longer than this is part of the name: it is not kept whole
// when a long name is shortened.
constexpr size_t kMaxKeptExtensionBytes = 32;

bool isTaken(const fs::path& path) {
  std::error_code ec;
  // symlink_status: a dangling link still occupies the name.
  return fs::exists(fs::symlink_status(path, ec));
}

// The first `maxBytes` bytes of UTF-8 text, without a character cut in two.
std::string_view utf8Prefix(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// Base and extension (without its dot); only the last extension counts, and
// a leading dot alone is a name, not an extension.
std::pair<std::string_view, std::string_view> splitExtension(std::string_view name) {
  if (auto dot = name.rfind('.'); dot != std::string_view::npos && dot > 0 && dot + 1 < name.size()) {
    return {name.substr(0, dot), name.substr(dot + 1)};
  }
  return {name, {}};
}

// base + middle + "." + extension within kMaxSavedNameBytes: the base is
// shortened, or the whole name when its extension is too long to keep.
std::string fittedName(std::string_view base, std::string_view middle, std::string_view extension) {
  std::string tail(middle);
  if (!extension.empty()) tail += "." + std::string(extension);
  if (base.size() + tail.size() <= kMaxSavedNameBytes) return std::string(base) + tail;
  if (extension.size() > kMaxKeptExtensionBytes) {
    std::string whole(base);
    if (!extension.empty()) whole += "." + std::string(extension);
    return std::string(utf8Prefix(whole, kMaxSavedNameBytes - middle.size())) + std::string(middle);
  }
  return std::string(utf8Prefix(base, kMaxSavedNameBytes - tail.size())) + tail;
}

}  // namespace

fs::path uniqueURL(const fs::path& wanted) {
  if (!isTaken(wanted)) return wanted;
  fs::path folder = wanted.parent_path();
  std::string name = wanted.filename().string();
  // archive.tar.gz → archive.tar (1).gz
  auto [base, extension] = splitExtension(name);
  for (unsigned long long n = 1;; ++n) {
    fs::path path = folder / fittedName(base, " (" + std::to_string(n) + ")", extension);
    if (!isTaken(path)) return path;
  }
}

fs::path chooseDownloadsFolder(const std::optional<fs::path>& configured, const fs::path& home) {
  if (configured && !configured->empty()) {
    std::error_code ec;
    bool isHome = fs::equivalent(*configured, home, ec) ||
                  configured->lexically_normal() / "" == home.lexically_normal() / "";
    if (!isHome) return *configured;
  }
  return home / "Downloads";
}

fs::path downloadsFolder() {
  const char* configured = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  fs::path folder = chooseDownloadsFolder(configured ? std::optional<fs::path>(configured) : std::nullopt,
                                          g_get_home_dir());
  std::error_code ec;
  fs::create_directories(folder, ec);  // a failure shows when the file is written
  return folder;
}

std::string safeFileName(std::string_view name) {
  if (auto slash = name.rfind('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
  while (!name.empty() && name.front() == '.') name.remove_prefix(1);
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::string(kFallbackFileName);
  auto [base, extension] = splitExtension(name);
  return fittedName(base, {}, extension);
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
