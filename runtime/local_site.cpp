#include "runtime/local_site.hpp"

#include <glib.h>

#include <algorithm>

#include "platform/gobject_ptr.hpp"

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

std::optional<std::string> decodedRequestPath(std::string_view encodedPath) {
  platform::GCharPtr decoded(g_uri_unescape_string(std::string(encodedPath).c_str(), nullptr));
  if (!decoded) return std::nullopt;
  return std::string(decoded.get());
}

}  // namespace runlet
