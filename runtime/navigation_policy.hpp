#pragma once
// Where each navigation goes: into the web view, to the system, or to a file.
// The web view's signal handlers only translate engine objects into these calls.

#include <cstdint>
#include <string>
#include <string_view>

namespace runlet {

// The frame a navigation is aimed at, as far as the engine says.
enum class TargetFrame {
  none,  // a new window
  main,
  sub,
};

// Mail, telephone, messages, maps and store links belong to the system (scheme compared in lower case).
bool isExternalSchemeURL(std::string_view url);

// Files built inside a page ("blob:" and "data:") aimed at the main frame or a new window.
bool isExportURL(std::string_view url, TargetFrame target);

enum class ActionDecision { allow, openExternally, download };
// For every frame alike; external schemes come first.
ActionDecision decideNavigationAction(std::string_view url, TargetFrame target, bool shouldPerformDownload);

enum class ResponseDecision { allow, download };
ResponseDecision decideNavigationResponse(bool canShowMIMEType);

// WebKitGTK tells a subframe apart only once the response arrives, so the
// main-frame export rule is applied there: the action decision sees every
// frame alike and only hands external schemes to the system.
ActionDecision decideNavigationActionForAnyFrame(std::string_view url);
ResponseDecision decideMainResourceResponse(std::string_view url, bool isMainFrameMainResource, bool canShowMIMEType);

enum class NewWindowDecision { ignore, download, loadInPlace };
NewWindowDecision decideNewWindow(std::string_view url, bool hasTargetFrame, bool shouldPerformDownload);

struct LoadError {
  std::string domain;  // the engine's error domain name
  std::int64_t code = 0;
};

// The engine's error domains and the codes that mean "nothing to show":
// a cancelled load, a load stopped because a decision made it a download or
// a cancel, and a load the media player takes over.
inline constexpr std::string_view kNetworkErrorDomain = "WebKitNetworkError";
inline constexpr std::string_view kPolicyErrorDomain = "WebKitPolicyError";
inline constexpr std::string_view kMediaErrorDomain = "WebKitMediaError";
inline constexpr std::int64_t kNetworkErrorCancelled = 302;
inline constexpr std::int64_t kPolicyErrorInterrupted = 102;
inline constexpr std::int64_t kMediaErrorWillHandleLoad = 204;

bool isIgnoredLoadError(const LoadError& error);
// Whether a failure replaces the content with the error page: only while no
// page with an address is on screen or a load is still in progress.
bool shouldPresentNavigationError(const LoadError& error, bool hasURL, bool isLoading);

}  // namespace runlet
