#include "runtime/navigation_policy.hpp"

#include <gtest/gtest.h>

namespace {

using namespace runlet;

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
