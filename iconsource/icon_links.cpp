#include "iconsource/icon_links.hpp"

#include <glib.h>

#include <optional>
#include <string>

#include "platform/gobject_ptr.hpp"

namespace iconsource {
namespace {

using platform::CPtr;

constexpr const char* tagPattern = R"(<link\b[^>]*>)";
constexpr const char* hrefPattern = R"(href\s*=\s*["']([^"']+)["'])";

// Byte-wise matching: the patterns are ASCII and the page may hold any bytes,
// so PCRE never has to validate (or choke on) UTF-8.
CPtr<GRegex> compile(const char* pattern) {
  auto flags = static_cast<GRegexCompileFlags>(G_REGEX_CASELESS | G_REGEX_RAW);
  return CPtr<GRegex>(g_regex_new(pattern, flags, G_REGEX_MATCH_DEFAULT, nullptr));
}

struct Patterns {
  CPtr<GRegex> tag = compile(tagPattern);
  CPtr<GRegex> href = compile(hrefPattern);
};

const Patterns& patterns() {
  static const Patterns compiled;  // GRegex is immutable and safe to share across threads
  return compiled;
}

bool containsIcon(std::string_view text) {
  static constexpr std::string_view word = "icon";
  for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < word.size() && g_ascii_tolower(text[i + k]) == word[k]) ++k;
    if (k == word.size()) return true;
  }
  return false;
}

std::optional<std::string> firstHref(const GRegex* href, std::string_view tag) {
  GMatchInfo* raw = nullptr;
  bool found = g_regex_match_full(href, tag.data(), static_cast<gssize>(tag.size()), 0, G_REGEX_MATCH_DEFAULT, &raw,
                                  nullptr);
  CPtr<GMatchInfo> match(raw);
  if (!found) return std::nullopt;
  int start = -1, end = -1;
  if (!g_match_info_fetch_pos(match.get(), 1, &start, &end) || start < 0) return std::nullopt;
  return std::string(tag.substr(start, end - start));
}

}  // namespace

std::vector<platform::Url> parseIconLinks(std::string_view html, const platform::Url& pageUrl) {
  std::vector<platform::Url> links;
  const Patterns& compiled = patterns();
  if (!compiled.tag || !compiled.href) return links;

  // A tag match ends at a '>', so nothing after the last one can match. Cutting
  // the text there keeps a page full of "<link" without any '>' from costing a
  // scan to the end for every one of them.
  // Match offsets are ints.
  if (html.size() > static_cast<std::size_t>(G_MAXINT)) html = html.substr(0, G_MAXINT);
  std::size_t lastClose = html.rfind('>');
  if (lastClose == std::string_view::npos) return links;
  std::string_view text = html.substr(0, lastClose + 1);

  GMatchInfo* raw = nullptr;
  g_regex_match_full(compiled.tag.get(), text.data(), static_cast<gssize>(text.size()), 0, G_REGEX_MATCH_DEFAULT,
                     &raw, nullptr);
  CPtr<GMatchInfo> match(raw);
  // An engine error (such as a match limit) ends the scan with what was found so far.
  while (match && g_match_info_matches(match.get())) {
    int start = -1, end = -1;
    g_match_info_fetch_pos(match.get(), 0, &start, &end);
    std::string_view tag = text.substr(start, end - start);
    if (containsIcon(tag)) {
      if (auto value = firstHref(compiled.href.get(), tag)) {
        if (auto url = platform::Url::resolve(pageUrl, *value)) links.push_back(std::move(*url));
      }
    }
    if (!g_match_info_next(match.get(), nullptr)) break;
  }
  return links;
}

}  // namespace iconsource
