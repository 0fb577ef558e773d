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

// WebKitGTK's navigation-action decision cannot tell a subframe from the main
// frame, so it only hands external schemes to the system, for every frame;
// the main-frame export rule is applied on the response, which knows.
enum class ActionDecision { allow, openExternally };
ActionDecision decideNavigationActionForAnyFrame(std::string_view url);

// The MIME type alone decides between showing and saving: a response that
// asks to be saved as an attachment but can be shown is shown.
enum class ResponseDecision { show, download };
ResponseDecision decideMainResourceResponse(std::string_view url, bool isMainFrameMainResource, bool canShowMIMEType);

// A new-window request never opens a window: the target loads in place, or
// is downloaded when it is a file built in the page.
enum class NewWindowDecision { ignore, download, loadInPlace };
NewWindowDecision decideNewWindow(std::string_view url);

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

// The failure of a load whose page did not answer within its time limit.
inline constexpr std::string_view kLoadTimedOutMessage = "The request timed out.";

bool isIgnoredLoadError(const LoadError& error);
// Whether a failure replaces the content with the error page: only while no
// page with an address is on screen or a load is still in progress.
bool shouldPresentNavigationError(const LoadError& error, bool hasURL, bool isLoading);

}  // namespace runlet
