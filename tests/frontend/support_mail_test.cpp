#include <gtest/gtest.h>

#include "frontend/support_mail.hpp"
#include "platform/gobject_ptr.hpp"
#include "platform/url.hpp"

namespace {

// The default subject and greeting are pinned as a mail program gets them by the main-menu journey.
TEST(SupportMail, SubjectAndGreetingSurviveTheLinkIntact) {
  const std::tuple<platform::plist::Dictionary, std::optional<std::string>, std::string, std::string> rows[] = {
      {{{"CFBundleName", 7}}, std::nullopt, "App Support Request", "App"},
      {{{"CFBundleName", "Nimbrel"}}, "Q&A: 100% = #1 + more?", "Q&A: 100% = #1 + more?", "Nimbrel"},
  };
  for (const auto& [info, subject, expectedSubject, expectedName] : rows) {
    std::string link = frontend::supportEmailLink("help@example.org", frontend::supportApplicationName(info), subject);
    EXPECT_EQ(link.rfind("mailto:help@example.org?", 0), 0u) << link;
    EXPECT_EQ(link.find_first_of(" \n#"), std::string::npos) << link;
    EXPECT_TRUE(platform::Url::parse(link)) << link;
    GHashTable* fields = g_uri_parse_params(link.c_str() + link.find('?') + 1, -1, "&", G_URI_PARAMS_NONE, nullptr);
    ASSERT_TRUE(fields) << link;
    EXPECT_EQ(g_hash_table_size(fields), 2u);
    EXPECT_STREQ(static_cast<const char*>(g_hash_table_lookup(fields, "subject")), expectedSubject.c_str());
    EXPECT_STREQ(static_cast<const char*>(g_hash_table_lookup(fields, "body")),
                 ("Hello " + expectedName + " Team,\n\nI need assistance with the following:\n\n").c_str());
    g_hash_table_unref(fields);
  }
}

}  // namespace
