#include "runtime/navigation_policy.hpp"

#include <array>

#include "platform/url.hpp"

namespace runlet {

namespace {

constexpr std::array<std::string_view, 8> kExternalSchemes = {
    "mailto", "tel", "facetime", "facetime-audio", "sms", "maps", "itms-apps", "itms"};

// The scheme in lower case, or empty when the text has none. The engine has
// already parsed the URL, so only the prefix before ":" is examined.
std::string lowerScheme(std::string_view url) {
  auto colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  std::string_view scheme = url.substr(0, colon);
  auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!isAlpha(scheme.front())) return {};
  for (char c : scheme) {
    bool ok = isAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!ok) return {};
  }
  return platform::asciiLower(scheme);
}

bool isExportScheme(std::string_view url) {
  auto scheme = lowerScheme(url);
  return scheme == "blob" || scheme == "data";
}

}  // namespace

bool isExternalSchemeURL(std::string_view url) {
  auto scheme = lowerScheme(url);
  for (auto candidate : kExternalSchemes) {
    if (scheme == candidate) return true;
  }
  return false;
}

bool isExportURL(std::string_view url, TargetFrame target) {
  if (target == TargetFrame::sub) return false;
  return isExportScheme(url);
}

ActionDecision decideNavigationActionForAnyFrame(std::string_view url) {
  return isExternalSchemeURL(url) ? ActionDecision::openExternally : ActionDecision::allow;
}

ResponseDecision decideMainResourceResponse(std::string_view url, bool isMainFrameMainResource,
                                            bool canShowMIMEType) {
  if (isMainFrameMainResource && isExportURL(url, TargetFrame::main)) return ResponseDecision::download;
  return canShowMIMEType ? ResponseDecision::show : ResponseDecision::download;
}

NewWindowDecision decideNewWindow(std::string_view url) {
  if (url.empty()) return NewWindowDecision::ignore;
  if (isExportURL(url, TargetFrame::none)) return NewWindowDecision::download;
  return NewWindowDecision::loadInPlace;
}

bool isIgnoredLoadError(const LoadError& error) {
  if (error.domain == kNetworkErrorDomain && error.code == kNetworkErrorCancelled) return true;
  if (error.domain == kPolicyErrorDomain && error.code == kPolicyErrorInterrupted) return true;
  if (error.domain == kMediaErrorDomain && error.code == kMediaErrorWillHandleLoad) return true;
  return false;
}

bool shouldPresentNavigationError(const LoadError& error, bool hasURL, bool isLoading) {
  if (isIgnoredLoadError(error)) return false;
  return !hasURL || isLoading;
}

}  // namespace runlet
