#include "runtime/local_site.hpp"

#include <gio/gio.h>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/gobject_ptr.hpp"
#include "platform/url.hpp"

namespace runlet {

namespace fs = std::filesystem;

std::string siteURL(std::string_view relativePath) {
  while (!relativePath.empty() && relativePath.front() == '/') relativePath.remove_prefix(1);
  platform::GCharPtr escaped(g_uri_escape_string(std::string(relativePath).c_str(), "/", FALSE));
  return std::string(kSiteOrigin) + "/" + escaped.get();
}

std::optional<fs::path> resolveSitePath(const fs::path& siteRoot, std::string_view requestPath) {
  if (requestPath.find('\0') != std::string_view::npos) return std::nullopt;
  std::error_code ec;
  fs::path root = fs::canonical(siteRoot, ec);
  if (ec) return std::nullopt;
  while (!requestPath.empty() && requestPath.front() == '/') requestPath.remove_prefix(1);
  fs::path resolved = fs::canonical(root / fs::path(requestPath), ec);
  if (ec) return std::nullopt;
  // Compared component by component: "/Site2" must not pass for "/Site".
  auto [rootEnd, _] = std::mismatch(root.begin(), root.end(), resolved.begin(), resolved.end());
  if (rootEnd != root.end()) return std::nullopt;
  return resolved;
}

namespace {

// Browsers require these exact types (streaming WebAssembly compilation,
// module scripts, manifests); the database has none for some and a desktop
// document type for ".otf".
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kWebTypes = {{
    {"wasm", "application/wasm"},
    {"mjs", "text/javascript"},
    {"js", "text/javascript"},
    {"webmanifest", "application/manifest+json"},
    {"map", "application/json"},
    {"otf", "font/otf"},
    {"apng", "image/apng"},
}};

}  // namespace

std::string siteMIMEType(std::string_view fileName) {
  if (auto dot = fileName.rfind('.'); dot != std::string_view::npos) {
    std::string extension(platform::asciiLower(fileName.substr(dot + 1)));
    for (auto [candidate, type] : kWebTypes) {
      if (extension == candidate) return std::string(type);
    }
  }
  platform::GCharPtr contentType(g_content_type_guess(std::string(fileName).c_str(), nullptr, 0, nullptr));
  platform::GCharPtr mime(contentType ? g_content_type_get_mime_type(contentType.get()) : nullptr);
  return mime ? mime.get() : "application/octet-stream";
}

std::optional<std::string> decodedRequestPath(std::string_view encodedPath) {
  platform::GCharPtr decoded(g_uri_unescape_string(std::string(encodedPath).c_str(), nullptr));
  if (!decoded) return std::nullopt;
  return std::string(decoded.get());
}

}  // namespace runlet
