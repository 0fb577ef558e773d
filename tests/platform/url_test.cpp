#include "platform/url.hpp"

#include <gtest/gtest.h>

namespace {

// What a typed address becomes (nothing: no URL). Runlet, the icon search and
// the wizard all read typed text through this one rule.
TEST(Url, TypedAddressIsTrimmedAndGetsHttpsWithoutAScheme) {
  const std::pair<const char*, const char*> rows[] = {
      {"", nullptr},
      {"\u00a0\u2003\u2028", nullptr},
      {"github.com", "https://github.com"},
      {"  https://example.org/a?b=1 \n", "https://example.org/a?b=1"},
      {"\u3000example.org\u0085", "https://example.org"},
      {"HTTPS://Example.ORG:8080/x?y#z", "HTTPS://Example.ORG:8080/x?y#z"},
      // By RFC 3986 "localhost" is the scheme here: used unchanged, no host.
      {"localhost:8080", "localhost:8080"},
      {"file:///tmp/a.html", "file:///tmp/a.html"},
      {"//cdn.example/x", "https:////cdn.example/x"},
      // Text that is no URI at all.
      {"exa mple.org", nullptr},
      {"example.org/%zz", nullptr},
      {"line\nbreak", nullptr},
  };
  for (const auto& [typed, expected] : rows) {
    auto url = platform::Url::fromUserText(typed);
    EXPECT_EQ(url ? url->string() : "(none)", expected ? expected : "(none)") << '"' << typed << '"';
  }
}

}  // namespace
