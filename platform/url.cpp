#include "platform/url.hpp"

#include <glib.h>

#include "platform/gobject_ptr.hpp"
#include "platform/text.hpp"

namespace platform {

namespace {

// Characters RFC 3986 never allows unencoded; GUri itself tolerates some.
bool hasForbiddenCharacter(std::string_view text) {
  for (unsigned char c : text) {
    if (c <= 0x20 || c == 0x7f) return true;
    switch (c) {
      case '"': case '<': case '>': case '\\': case '^': case '`': case '{': case '|': case '}':
        return true;
      default:
        break;
    }
  }
  return false;
}

}  // namespace

std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = g_ascii_tolower(c);
  return out;
}

std::optional<Url> Url::parse(std::string_view text) {
  if (hasForbiddenCharacter(text)) return std::nullopt;
  std::string owned(text);
  char *scheme = nullptr, *host = nullptr, *path = nullptr, *query = nullptr;
  int port = -1;
  GErrorOut error;
  if (!g_uri_split(owned.c_str(), G_URI_FLAGS_ENCODED, &scheme, nullptr, &host, &port, &path, &query, nullptr,
                   error.out())) {
    return std::nullopt;
  }
  Url url;
  url.text_ = std::move(owned);
  url.scheme_ = scheme ? scheme : "";
  url.host_ = host ? host : "";
  url.port_ = port;
  url.path_ = path ? path : "";
  url.query_ = query ? query : "";
  g_free(scheme);
  g_free(host);
  g_free(path);
  g_free(query);
  return url;
}

std::optional<Url> Url::resolve(const Url& base, std::string_view reference) {
  if (hasForbiddenCharacter(reference)) return std::nullopt;
  GErrorOut error;
  GCharPtr resolved(g_uri_resolve_relative(base.text_.c_str(), std::string(reference).c_str(), G_URI_FLAGS_ENCODED,
                                           error.out()));
  if (!resolved) return std::nullopt;
  auto url = parse(resolved.get());
  if (!url || !url->hasScheme()) return std::nullopt;
  return url;
}

Url Url::fromPath(const std::filesystem::path& path) {
  GCharPtr text(g_filename_to_uri(std::filesystem::absolute(path).c_str(), nullptr, nullptr));
  return *parse(text ? text.get() : "file:///");
}

std::optional<Url> Url::fromUserText(std::string_view text) {
  std::string_view trimmed = trimmedWhitespaceAndNewlines(text);
  if (trimmed.empty()) return std::nullopt;
  if (auto url = parse(trimmed); url && url->hasScheme()) return url;
  return parse("https://" + std::string(trimmed));
}

bool Url::isFile() const { return asciiLower(scheme_) == "file"; }

std::filesystem::path Url::filePath() const {
  GCharPtr path(g_filename_from_uri(text_.c_str(), nullptr, nullptr));
  return path ? std::filesystem::path(path.get()) : std::filesystem::path();
}

}  // namespace platform
