#include "runtime/navigation_policy.hpp"

#include <gtest/gtest.h>

namespace {

using namespace runlet;

TEST(NavigationDecisions, ListedSchemesToTheSystemAndFilesBuiltInThePageSaved) {
  for (const char* url : {"mailto:a@b.c", "MAILTO:a@b.c", "tel:+123", "facetime:x", "facetime-audio:x", "sms:1",
                          "maps:?q=x", "itms-apps://x", "ITMS://x"}) {
    EXPECT_EQ(decideNavigationActionForAnyFrame(url), ActionDecision::openExternally) << url;
  }
  for (const char* url : {"https://mailto.example/", "telnet://x", "mailto", "", "/tel:1", "tel-x:1"}) {
    EXPECT_EQ(decideNavigationActionForAnyFrame(url), ActionDecision::allow) << url;
  }
  // The MIME type alone decides, except for files built in the page in the main frame.
  EXPECT_EQ(decideMainResourceResponse("data:,x", true, true), ResponseDecision::download);
  EXPECT_EQ(decideMainResourceResponse("blob:https://a/1", true, true), ResponseDecision::download);
  EXPECT_EQ(decideMainResourceResponse("data:,x", false, true), ResponseDecision::show);
  EXPECT_EQ(decideMainResourceResponse("https://a/data:x", true, true), ResponseDecision::show);
  EXPECT_EQ(decideMainResourceResponse("blobby:x", true, true), ResponseDecision::show);
  EXPECT_EQ(decideMainResourceResponse("https://a/x.tgz", false, false), ResponseDecision::download);
  EXPECT_EQ(decideNewWindow("https://a/"), NewWindowDecision::loadInPlace);
  EXPECT_EQ(decideNewWindow("DATA:text/plain,x"), NewWindowDecision::download);
  EXPECT_EQ(decideNewWindow(""), NewWindowDecision::ignore);
}

struct ErrorCase {
  LoadError error;
  bool hasURL;
  bool isLoading;
  bool shown;
};

class PresentNavigationError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(PresentNavigationError, Decides) {
  const auto& c = GetParam();
  EXPECT_EQ(shouldPresentNavigationError(c.error, c.hasURL, c.isLoading), c.shown)
      << c.error.domain << " " << c.error.code;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PresentNavigationError,
    ::testing::Values(ErrorCase{{"WebKitNetworkError", 302}, false, true, false},
                      ErrorCase{{"WebKitPolicyError", 102}, false, true, false},
                      ErrorCase{{"WebKitMediaError", 204}, false, false, false},
                      ErrorCase{{"WebKitNetworkError", 102}, false, false, true},
                      ErrorCase{{"WebKitPolicyError", 302}, false, false, true},
                      ErrorCase{{"g-resolver-error-quark", 0}, false, false, true},
                      ErrorCase{{"g-resolver-error-quark", 0}, true, false, false},
                      ErrorCase{{"g-resolver-error-quark", 0}, true, true, true}));

}  // namespace
