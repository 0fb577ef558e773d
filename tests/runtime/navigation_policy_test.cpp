#include "runtime/navigation_policy.hpp"

#include <gtest/gtest.h>

namespace {

using namespace runlet;

// Frames, capitals, new windows and what the view shows are left to the window tests.
TEST(NavigationDecisions, ListedSchemesToTheSystemAndFilesBuiltInThePageSaved) {
  for (const char* url : {"facetime-audio:x", "maps:?q=x", "ITMS-APPS://x"}) {
    EXPECT_EQ(decideNavigationActionForAnyFrame(url), ActionDecision::openExternally) << url;
  }
  for (const char* url : {"https://mailto.example/", "telnet://x", "mailto", "/tel:1"}) {
    EXPECT_EQ(decideNavigationActionForAnyFrame(url), ActionDecision::allow) << url;
  }
  EXPECT_EQ(decideMainResourceResponse("blob:https://a/1", true, true), ResponseDecision::download);
  EXPECT_EQ(decideMainResourceResponse("https://a/data:x", true, true), ResponseDecision::show);
  EXPECT_EQ(decideMainResourceResponse("blobby:x", true, true), ResponseDecision::show);
  EXPECT_EQ(decideNewWindow(""), NewWindowDecision::ignore);
}

// Only failures that leave nothing on screen show the error page; cancelled loads and plug-ins never do.
TEST(NavigationDecisions, PresentErrorOnlyOverNothing) {
  const struct {
    LoadError error;
    bool hasURL, isLoading, shown;
  } rows[] = {
      {{"WebKitNetworkError", 302}, false, true, false}, {{"WebKitPolicyError", 102}, false, true, false},
      {{"WebKitMediaError", 204}, false, false, false},  {{"WebKitNetworkError", 102}, false, false, true},
      {{"g-resolver-error-quark", 0}, true, false, false}, {{"g-resolver-error-quark", 0}, true, true, true},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(shouldPresentNavigationError(r.error, r.hasURL, r.isLoading), r.shown) << r.error.domain << " " << r.error.code;
  }
}

}  // namespace
