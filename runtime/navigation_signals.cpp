// The web view's navigation signals, translated for navigation_policy.
#include "runtime/app_delegate.hpp"
#include "runtime/callback_guard.hpp"
#include "runtime/navigation_policy.hpp"

namespace runlet {

namespace {

std::string requestURI(WebKitURIRequest* request) {
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  return uri ? uri : "";
}

}  // namespace

void AppDelegate::connectNavigationSignals() {
  g_signal_connect(webView_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
  g_signal_connect(webView_, "create", G_CALLBACK(onCreate), this);
  g_signal_connect(webView_, "load-failed", G_CALLBACK(onLoadFailed), this);
  g_signal_connect(webView_, "load-changed", G_CALLBACK(onLoadChanged), this);
}

gboolean AppDelegate::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                     gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  return guarded(FALSE, [&]() -> gboolean {
    switch (type) {
      case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
        return self->decideNavigationAction(decision);
      case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION: {
        auto* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        // A new-window request never opens a window: it is decided here and
        // the request itself is dropped.
        self->decideNewWindowAction(action);
        webkit_policy_decision_ignore(decision);
        return TRUE;
      }
      case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
        return self->decideResponse(WEBKIT_RESPONSE_POLICY_DECISION(decision));
    }
    return FALSE;
  });
}

bool AppDelegate::decideNavigationAction(WebKitPolicyDecision* decision) {
  auto* action = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  std::string uri = requestURI(webkit_navigation_action_get_request(action));
  if (decideNavigationActionForAnyFrame(uri) != ActionDecision::openExternally) return false;
  workspace().openURL(uri);
  webkit_policy_decision_ignore(decision);
  return true;
}

void AppDelegate::decideNewWindowAction(WebKitNavigationAction* action) {
  std::string uri = requestURI(webkit_navigation_action_get_request(action));
  switch (decideNewWindow(uri)) {
    case NewWindowDecision::ignore:
      break;
    case NewWindowDecision::download:
      adoptDownload(webkit_web_view_download_uri(webView_, uri.c_str()));
      break;
    case NewWindowDecision::loadInPlace:
      webkit_web_view_load_uri(webView_, uri.c_str());
      break;
  }
}

// Decided here in both directions: the engine's own default would also save
// a showable response sent as an attachment.
bool AppDelegate::decideResponse(WebKitResponsePolicyDecision* decision) {
  std::string uri = requestURI(webkit_response_policy_decision_get_request(decision));
  auto verdict = decideMainResourceResponse(uri, webkit_response_policy_decision_is_main_frame_main_resource(decision),
                                            webkit_response_policy_decision_is_mime_type_supported(decision));
  if (verdict == ResponseDecision::download) {
    webkit_policy_decision_download(WEBKIT_POLICY_DECISION(decision));
  } else {
    webkit_policy_decision_use(WEBKIT_POLICY_DECISION(decision));
  }
  return true;
}

GtkWidget* AppDelegate::onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
  guarded([&] { static_cast<AppDelegate*>(data)->decideNewWindowAction(action); });
  return nullptr;
}

void AppDelegate::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      self->armLoadTimeout();
      break;
    case WEBKIT_LOAD_REDIRECTED:
      break;
    case WEBKIT_LOAD_COMMITTED:
      self->hasCommittedPage_ = true;
      self->disarmLoadTimeout();
      break;
    case WEBKIT_LOAD_FINISHED:
      self->disarmLoadTimeout();
      break;
  }
}

gboolean AppDelegate::onLoadFailed(WebKitWebView*, WebKitLoadEvent event, char*, GError* error, gpointer data) {
  guarded([&] { static_cast<AppDelegate*>(data)->presentNavigationError(event, error); });
  return TRUE;
}

void AppDelegate::presentNavigationError(WebKitLoadEvent event, const GError* error) {
  if (!error) return;
  LoadError loadError{g_quark_to_string(error->domain), error->code};
  // WebKitGTK reports a failure once its load has ended, so "still loading"
  // means the failing page had already replaced the old one; a failure before
  // that leaves whatever page was on screen.
  bool failedAfterCommit = event != WEBKIT_LOAD_STARTED && event != WEBKIT_LOAD_REDIRECTED;
  if (shouldPresentNavigationError(loadError, hasCommittedPage_, failedAfterCommit)) showError(error->message);
}

// WebKitGTK has no time limit per request: a page that has not answered
// when the limit is up is stopped and fails like any unanswered load. The
// limit is on waiting for the answer; a page that has begun to arrive is
// never cut off.
void AppDelegate::armLoadTimeout() {
  disarmLoadTimeout();
  auto milliseconds = static_cast<guint>(std::max<std::int64_t>(options_.loadTimeout.count(), 0));
  loadTimeoutSource_ = g_timeout_add(milliseconds, onLoadTimeout, this);
}

void AppDelegate::disarmLoadTimeout() {
  if (loadTimeoutSource_) g_source_remove(std::exchange(loadTimeoutSource_, 0));
}

gboolean AppDelegate::onLoadTimeout(gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  self->loadTimeoutSource_ = 0;
  guarded([&] {
    // Stopping reports a cancelled load, which shows nothing by itself.
    webkit_web_view_stop_loading(self->webView_);
    platform::CPtr<GError> error(g_error_new_literal(G_IO_ERROR, G_IO_ERROR_TIMED_OUT, kLoadTimedOutMessage.data()));
    self->presentNavigationError(WEBKIT_LOAD_STARTED, error.get());
  });
  return G_SOURCE_REMOVE;
}

}  // namespace runlet
