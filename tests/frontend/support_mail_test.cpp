#include <gtest/gtest.h>

#include "frontend/support_mail.hpp"
#include "platform/gobject_ptr.hpp"
#include "platform/url.hpp"

namespace {

// The link's query fields, split at "&" and "=" and decoded, as a mail program reads them.
std::map<std::string, std::string> fieldsOf(const std::string& link) {
  std::map<std::string, std::string> fields;
  std::string query = link.substr(link.find('?') + 1);
  size_t start = 0;
  while (start <= query.size()) {
    size_t end = std::min(query.find('&', start), query.size());
    std::string field = query.substr(start, end - start);
    size_t equals = field.find('=');
    platform::GCharPtr value(g_uri_unescape_string(field.substr(equals + 1).c_str(), nullptr));
    fields[field.substr(0, equals)] = value ? value.get() : "<undecodable>";
    start = end + 1;
  }
  return fields;
}

TEST(SupportMail, SubjectAndGreetingSurviveTheLinkIntact) {
  struct Case {
    platform::plist::Dictionary info;
    std::optional<std::string> subject;
    std::string expectedSubject, expectedName;
  } cases[] = {
      {{{"CFBundleName", "Nimbrel"}}, std::nullopt, "Nimbrel Support Request", "Nimbrel"},
      {{}, std::nullopt, "App Support Request", "App"},
      {{{"CFBundleName", 7}}, std::nullopt, "App Support Request", "App"},
      {{{"CFBundleName", "Nimbrel"}}, "Q&A: 100% = #1 + more?", "Q&A: 100% = #1 + more?", "Nimbrel"},
  };
  for (const auto& c : cases) {
    std::string name = frontend::supportApplicationName(c.info);
    std::string link = frontend::supportEmailLink("help@example.org", name, c.subject);
    EXPECT_EQ(link.rfind("mailto:help@example.org?subject=", 0), 0u) << link;
    EXPECT_EQ(link.find_first_of(" \n#"), std::string::npos) << link;
    EXPECT_TRUE(platform::Url::parse(link)) << link;
    auto fields = fieldsOf(link);
    EXPECT_EQ(fields, (std::map<std::string, std::string>{
                          {"subject", c.expectedSubject},
                          {"body", "Hello " + c.expectedName + " Team,\n\nI need assistance with the following:\n\n"}}));
  }
}

}  // namespace
