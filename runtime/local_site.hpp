#pragma once
// A bundled site is served from Contents/Resources/Site through a URL scheme
// of our own rather than file: URLs. Pages on file: URLs may either read no
// sibling files at all or, once allowed, the whole disk; a scheme we answer
// ourselves lets the site read exactly its own folder.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace runlet {

inline constexpr std::string_view kSiteScheme = "runlet";
inline constexpr std::string_view kSiteOrigin = "runlet://site";

// The site-scheme URL of a path relative to the site folder.
std::string siteURL(std::string_view relativePath);

// The real file a request path names, after resolving ".." and symbolic links;
// nothing when it does not exist or lies outside the site folder.
std::optional<std::filesystem::path> resolveSitePath(const std::filesystem::path& siteRoot,
                                                     std::string_view requestPath);

// The MIME type a site file is served with: the system's shared MIME database
// by file name, with the web types it lacks or names otherwise on top
// (WebAssembly, module scripts, web app manifests, fonts).
std::string siteMIMEType(std::string_view fileName);

// The request path of a site-scheme URL path as WebKit hands it over
// (percent-encoded); nothing when it cannot name a file.
std::optional<std::string> decodedRequestPath(std::string_view encodedPath);

}  // namespace runlet
