#pragma once
// Finds web links in free text the way a person would read them: addresses
// with a scheme ("https://example.org/x"), bare host names that end in a real
// top-level domain ("example.org", "www.example.co.uk:8080/path"), e-mail
// addresses (reported as "mailto:" links) and internationalised names.
// Deliberately conservative: "hello", version numbers ("1.2.3"), file names
// with a non-domain extension ("notes.txt") and "localhost:3000" without a
// scheme are not links.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct LinkMatch {
  std::size_t offset = 0;  // in bytes of the UTF-8 text
  std::size_t length = 0;  // in bytes
  std::string url;         // with the scheme the reader would assume ("http://", "mailto:")
};

// The first link in `text`, searching the whole of it.
std::optional<LinkMatch> firstLink(std::string_view text);

inline bool containsLink(std::string_view text) { return firstLink(text).has_value(); }

// True when `label` (any case, UTF-8) is a top-level domain that bare host
// names may end in.
bool isKnownTopLevelDomain(std::string_view label);

}  // namespace platform
