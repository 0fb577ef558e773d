#pragma once
// URL parsing after RFC 3986, over GLib's GUri. A parsed Url may be a relative
// reference (no scheme), the way "example.org/path" parses: callers decide
// what a missing scheme means.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Url {
 public:
  // Nothing when the text is not a URI reference (blanks, control characters,
  // bad percent escapes, a malformed authority).
  static std::optional<Url> parse(std::string_view text);
  // `reference` resolved against `base` (which must have a scheme).
  static std::optional<Url> resolve(const Url& base, std::string_view reference);
  static Url fromPath(const std::filesystem::path& path);
  // An address as a person typed it: trimmed of blanks and line breaks, taken
  // as it is when it names a scheme, else with "https://" put in front.
  static std::optional<Url> fromUserText(std::string_view text);

  // The full text (for an absolute URL: its absolute string).
  const std::string& string() const { return text_; }
  // Scheme as written; empty for a relative reference.
  const std::string& scheme() const { return scheme_; }
  bool hasScheme() const { return !scheme_.empty(); }
  // Host without port or user information; empty when there is none.
  const std::string& host() const { return host_; }
  int port() const { return port_; }  // -1 when absent
  const std::string& path() const { return path_; }
  const std::string& query() const { return query_; }

  bool isFile() const;
  // Decoded local path of a file: URL.
  std::filesystem::path filePath() const;

  bool operator==(const Url& other) const { return text_ == other.text_; }

 private:
  std::string text_;
  std::string scheme_;
  std::string host_;
  int port_ = -1;
  std::string path_;
  std::string query_;
};

// ASCII lower case (schemes and hosts).
std::string asciiLower(std::string_view text);

}  // namespace platform
