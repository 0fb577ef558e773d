#include "platform/link_detector.hpp"
#include "platform/text.hpp"

#include <glib.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/gobject_ptr.hpp"

namespace platform {
namespace {

// Top-level domains a bare name may end in: every delegated country code plus
// the generic domains people actually type. A longer list would turn ordinary
// "word.word" text into links; a name with a rarer domain still works with
// its scheme written out.
// clang-format off
constexpr std::string_view kTopLevelDomains[] = {
    // generic
    "com", "org", "net", "edu", "gov", "mil", "int", "info", "biz", "name", "pro", "aero", "coop", "museum", "mobi",
    "asia", "tel", "travel", "jobs", "cat", "post", "app", "dev", "page", "blog", "shop", "store", "online", "site",
    "website", "tech", "cloud", "xyz", "club", "top", "news", "live", "design", "art", "studio", "agency", "digital",
    "email", "media", "space", "network", "systems", "software", "academy", "social", "games", "music", "photo",
    "photos", "video", "ltd", "inc", "company", "group", "global", "solutions", "services", "tools", "wiki", "chat",
    "link", "host", "press", "google", "apple", "amazon", "microsoft",
    // country codes
    "ac", "ad", "ae", "af", "ag", "ai", "al", "am", "ao", "aq", "ar", "as", "at", "au", "aw", "ax", "az", "ba", "bb",
    "bd", "be", "bf", "bg", "bh", "bi", "bj", "bm", "bn", "bo", "bq", "br", "bs", "bt", "bw", "by", "bz", "ca", "cc",
    "cd", "cf", "cg", "ch", "ci", "ck", "cl", "cm", "cn", "co", "cr", "cu", "cv", "cw", "cx", "cy", "cz", "de", "dj",
    "dk", "dm", "do", "dz", "ec", "ee", "eg", "er", "es", "et", "eu", "fi", "fj", "fk", "fm", "fo", "fr", "ga", "gb",
    "gd", "ge", "gf", "gg", "gh", "gi", "gl", "gm", "gn", "gp", "gq", "gr", "gs", "gt", "gu", "gw", "gy", "hk", "hm",
    "hn", "hr", "ht", "hu", "id", "ie", "il", "im", "in", "io", "iq", "ir", "is", "it", "je", "jm", "jo", "jp", "ke",
    "kg", "kh", "ki", "km", "kn", "kp", "kr", "kw", "ky", "kz", "la", "lb", "lc", "li", "lk", "lr", "ls", "lt", "lu",
    "lv", "ly", "ma", "mc", "md", "me", "mg", "mh", "mk", "ml", "mm", "mn", "mo", "mp", "mq", "mr", "ms", "mt", "mu",
    "mv", "mw", "mx", "my", "mz", "na", "nc", "ne", "nf", "ng", "ni", "nl", "no", "np", "nr", "nu", "nz", "om", "pa",
    "pe", "pf", "pg", "ph", "pk", "pl", "pm", "pn", "pr", "ps", "pt", "pw", "py", "qa", "re", "ro", "rs", "ru", "rw",
    "sa", "sb", "sc", "sd", "se", "sg", "sh", "si", "sk", "sl", "sm", "sn", "so", "sr", "ss", "st", "su", "sv", "sx",
    "sy", "sz", "tc", "td", "tf", "tg", "th", "tj", "tk", "tl", "tm", "tn", "to", "tr", "tt", "tv", "tw", "tz", "ua",
    "ug", "uk", "us", "uy", "uz", "va", "vc", "ve", "vg", "vi", "vn", "vu", "wf", "ws", "ye", "yt", "za", "zm", "zw",
    // internationalised country codes, as typed
    "рф", "рус", "укр", "срб", "бел", "бг", "қаз", "мкд", "мон", "中国", "中國", "香港", "台湾", "台灣", "新加坡",
    "한국", "ไทย", "ελ", "भारत",
};
// clang-format on

const std::set<std::string_view>& topLevelDomains() {
  static const std::set<std::string_view> set(std::begin(kTopLevelDomains), std::end(kTopLevelDomains));
  return set;
}

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool isSchemeChar(char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '+' || c == '-' || c == '.'; }

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// Calls `f` with each code point of valid UTF-8 `text`; stops when `f` returns false.
template <typename F>
bool allCodePoints(std::string_view text, F f) {
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return false;
  for (const char* p = text.data(); p < text.data() + text.size(); p = g_utf8_next_char(p)) {
    if (!f(g_utf8_get_char(p))) return false;
  }
  return true;
}

bool isLabelChar(gunichar c, bool allowUnderscore) {
  if (c < 0x80) return isAsciiAlpha(char(c)) || isAsciiDigit(char(c)) || c == '-' || (allowUnderscore && c == '_');
  return g_unichar_isalnum(c) || g_unichar_ismark(c);
}

bool isValidLabel(std::string_view label, bool allowUnderscore) {
  if (label.empty() || label.front() == '-' || label.back() == '-') return false;
  glong length = 0;
  bool ok = allCodePoints(label, [&](gunichar c) {
    ++length;
    return isLabelChar(c, allowUnderscore);
  });
  return ok && length <= 63;
}

enum class HostRule { needsTopLevelDomain, anyHost };

bool isIPv6Literal(std::string_view host) {
  if (host.size() < 4 || host.front() != '[' || host.back() != ']') return false;
  int colons = 0;
  for (char c : host.substr(1, host.size() - 2)) {
    if (c == ':') {
      ++colons;
    } else if (!(isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '.')) {
      return false;
    }
  }
  return colons >= 2;
}

bool isValidHost(std::string_view host, HostRule rule, bool allowUnderscore) {
  if (rule == HostRule::anyHost && isIPv6Literal(host)) return true;
  if (host.empty() || host.size() > 253) return false;
  std::string_view last;
  int labels = 0;
  for (std::size_t start = 0;;) {
    std::size_t dot = host.find('.', start);
    std::string_view label = host.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (!isValidLabel(label, allowUnderscore)) return false;
    ++labels;
    last = label;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  if (rule == HostRule::anyHost) return true;
  return labels >= 2 && isKnownTopLevelDomain(last);
}

bool isValidPort(std::string_view port) {
  if (port.empty() || port.size() > 5) return false;
  long value = 0;
  for (char c : port) {
    if (!isAsciiDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return value <= 65535;
}

// Path, query and fragment after the authority.
bool isValidTail(std::string_view tail) {
  if (tail.empty()) return true;
  if (tail.front() != '/' && tail.front() != '?' && tail.front() != '#') return false;
  return tail.find_first_of("<>\"\\") == std::string_view::npos;
}

struct AuthorityRules {
  HostRule host = HostRule::needsTopLevelDomain;
  bool allowUserinfo = false;
  bool allowEmptyHost = false;  // "file:///path"
  bool allowUnderscore = false;
};

bool isValidAuthorityAndTail(std::string_view text, const AuthorityRules& rules) {
  std::size_t end = text.find_first_of("/?#");
  std::string_view authority = text.substr(0, end);
  std::string_view tail = end == std::string_view::npos ? std::string_view() : text.substr(end);
  if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    if (!rules.allowUserinfo || at == 0) return false;
    authority = authority.substr(at + 1);
  }
  std::string_view host = authority;
  std::string_view port;
  bool hasPort = false;
  bool bracketed = !authority.empty() && authority.front() == '[';
  std::size_t colon = bracketed ? authority.find("]:") : authority.find(':');
  if (colon != std::string_view::npos) {
    if (bracketed) ++colon;
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
    hasPort = true;
  }
  if (hasPort && !isValidPort(port)) return false;
  if (host.empty()) return rules.allowEmptyHost && !hasPort && startsWith(tail, "/") && isValidTail(tail);
  return isValidHost(host, rules.host, rules.allowUnderscore) && isValidTail(tail);
}

bool isValidEmailLocalPart(std::string_view local) {
  if (local.empty() || local.front() == '.' || local.back() == '.' || local.find("..") != std::string_view::npos) {
    return false;
  }
  return allCodePoints(local, [](gunichar c) {
    if (c >= 0x80) return bool(g_unichar_isalnum(c) || g_unichar_ismark(c));
    return isAsciiAlpha(char(c)) || isAsciiDigit(char(c)) ||
           std::string_view("!#$%&'*+/=?^_`{|}~.-").find(char(c)) != std::string_view::npos;
  });
}

bool isValidEmail(std::string_view text, HostRule rule) {
  std::size_t at = text.find('@');
  if (at == std::string_view::npos || text.find('@', at + 1) != std::string_view::npos) return false;
  return isValidEmailLocalPart(text.substr(0, at)) && isValidHost(text.substr(at + 1), rule, false);
}

// The link that `token` is in full, as the reader would open it.
std::optional<std::string> linkForToken(std::string_view token) {
  std::size_t i = 0;
  if (!token.empty() && isAsciiAlpha(token.front())) {
    while (i < token.size() && isSchemeChar(token[i])) ++i;
  }
  if (i > 0 && i < token.size() && token[i] == ':') {
    std::string scheme(token.substr(0, i));
    for (char& c : scheme) c = g_ascii_tolower(c);
    std::string_view rest = token.substr(i + 1);
    if (scheme == "mailto") {
      if (isValidEmail(rest.substr(0, rest.find('?')), HostRule::anyHost)) return std::string(token);
      return std::nullopt;
    }
    if (startsWith(rest, "//")) {
      AuthorityRules rules{HostRule::anyHost, true, scheme == "file", true};
      if (isValidAuthorityAndTail(rest.substr(2), rules)) return std::string(token);
      return std::nullopt;
    }
    // Otherwise the colon may start a port: "example.org:8080".
  }
  if (isValidEmail(token, HostRule::needsTopLevelDomain)) return "mailto:" + std::string(token);
  if (isValidAuthorityAndTail(token, AuthorityRules{})) return "http://" + std::string(token);
  return std::nullopt;
}

bool isSeparator(gunichar c) {
  if (c == '<' || c == '>' || c == '"' || c == 0xAB || c == 0xBB || c == 0x200B || c == 0xFEFF) return true;
  if (g_unichar_isspace(c) || g_unichar_iscntrl(c)) return true;
  // Wide punctuation (quotes, dashes, CJK full stops) never belongs to a link,
  // and text without spaces ("访问example.org。") relies on it to split.
  return c >= 0x2000 && isPunctuation(c);
}

// Trims what surrounds a link in prose: "(see example.org)." and quotes.
// A closing bracket stays when the link itself opened it ("…/Foo_(bar)").
std::string_view trimProse(std::string_view token, std::size_t& offset) {
  auto count = [&](char c) { return std::count(token.begin(), token.end(), c); };
  for (bool changed = true; changed && !token.empty();) {
    changed = false;
    if (std::string_view("([{'`*").find(token.front()) != std::string_view::npos) {
      token.remove_prefix(1);
      ++offset;
      changed = true;
      continue;
    }
    char last = token.back();
    bool unbalanced = (last == ')' && count(')') > count('(')) || (last == ']' && count(']') > count('[')) ||
                      (last == '}' && count('}') > count('{'));
    if (unbalanced || std::string_view(".,;:!?'`*").find(last) != std::string_view::npos) {
      token.remove_suffix(1);
      changed = true;
    }
  }
  return token;
}

std::optional<LinkMatch> linkInToken(std::string_view token, std::size_t offset) {
  token = trimProse(token, offset);
  if (token.empty()) return std::nullopt;
  if (auto url = linkForToken(token)) return LinkMatch{offset, token.size(), *url};
  // A scheme glued to a word before it: "URL:https://example.org".
  for (std::size_t pos = token.find("://", 1); pos != std::string_view::npos; pos = token.find("://", pos + 3)) {
    std::size_t start = pos;
    while (start > 0 && isSchemeChar(token[start - 1])) --start;
    while (start < pos && !isAsciiAlpha(token[start])) ++start;
    if (start == 0 || start == pos) continue;
    std::string_view candidate = token.substr(start);
    if (auto url = linkForToken(candidate)) return LinkMatch{offset + start, candidate.size(), *url};
  }
  return std::nullopt;
}

}  // namespace

bool isKnownTopLevelDomain(std::string_view label) {
  if (label.empty()) return false;
  CPtr<char> lower(g_utf8_strdown(label.data(), static_cast<gssize>(label.size())));
  std::string_view tld(lower.get());
  if (startsWith(tld, "xn--") && tld.size() > 4) {
    for (char c : tld) {
      if (!(isAsciiAlpha(c) || isAsciiDigit(c) || c == '-')) return false;
    }
    return true;
  }
  return topLevelDomains().count(tld) > 0;
}

std::optional<LinkMatch> firstLink(std::string_view text) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* tokenStart = nullptr;
  for (const char* p = begin;;) {
    bool separator = true;
    std::size_t step = 1;
    if (p < end) {
      gunichar c = g_utf8_get_char_validated(p, end - p);
      if (c != gunichar(-1) && c != gunichar(-2)) {
        separator = isSeparator(c);
        step = g_utf8_next_char(p) - p;
      }
    }
    if (separator && tokenStart) {
      std::size_t offset = tokenStart - begin;
      if (auto match = linkInToken(text.substr(offset, p - tokenStart), offset)) return match;
      tokenStart = nullptr;
    } else if (!separator && !tokenStart) {
      tokenStart = p;
    }
    if (p >= end) break;
    p += step;
  }
  return std::nullopt;
}

}  // namespace platform
