// The site's web notifications as the desktop's own: sent through the app's
// GApplication with the app's icon, withdrawn when the page closes them, and
// a click on one brings the window forward and tells the page.
#include "runtime/app_delegate.hpp"
#include "runtime/callback_guard.hpp"
#include "runtime/notification_icon.hpp"

namespace runlet {

namespace {

constexpr const char* kClickedAction = "webNotificationClicked";

std::string desktopId(guint64 id) { return "web-notification-" + std::to_string(id); }

}  // namespace

void AppDelegate::connectNotificationSignals() {
  g_signal_connect(webView_, "show-notification", G_CALLBACK(onShowNotification), this);
  g_signal_connect(webContext_.get(), "initialize-notification-permissions",
                   G_CALLBACK(onInitializeNotificationPermissions), this);
}

void AppDelegate::installNotificationAction() {
  auto action = platform::adoptGRef(g_simple_action_new(kClickedAction, G_VARIANT_TYPE_UINT64));
  g_signal_connect(action.get(), "activate", G_CALLBACK(+[](GSimpleAction*, GVariant* id, gpointer self) {
                     guarded([&] { static_cast<AppDelegate*>(self)->webNotificationClicked(g_variant_get_uint64(id)); });
                   }),
                   this);
  g_action_map_add_action(G_ACTION_MAP(application_), G_ACTION(action.get()));
}

// Pages that check Notification.permission before they ever ask find it
// granted on the app's own site, as camera and microphone are.
void AppDelegate::onInitializeNotificationPermissions(WebKitWebContext* context, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  if (self->firstPageURI_.empty()) return;
  WebKitSecurityOrigin* origin = webkit_security_origin_new_for_uri(self->firstPageURI_.c_str());
  GList* allowed = g_list_prepend(nullptr, origin);
  webkit_web_context_initialize_notification_permissions(context, allowed, nullptr);
  g_list_free(allowed);
  webkit_security_origin_unref(origin);
}

gboolean AppDelegate::onShowNotification(WebKitWebView*, WebKitNotification* notification, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  guarded([&] { self->showWebNotification(notification); });
  return TRUE;
}

void AppDelegate::showWebNotification(WebKitNotification* notification) {
  guint64 id = webkit_notification_get_id(notification);
  const char* title = webkit_notification_get_title(notification);
  auto desktop = platform::adoptGRef(g_notification_new(title ? title : ""));
  if (const char* body = webkit_notification_get_body(notification); body && *body) {
    g_notification_set_body(desktop.get(), body);
  }
  if (GIcon* icon = notificationIcon()) g_notification_set_icon(desktop.get(), icon);
  std::string action = std::string("app.") + kClickedAction;
  g_notification_set_default_action_and_target_value(desktop.get(), action.c_str(), g_variant_new_uint64(id));
  if (webNotifications_.emplace(id, platform::GRef<WebKitNotification>::retain(notification)).second) {
    g_signal_connect(notification, "closed", G_CALLBACK(onWebNotificationClosed), this);
  }
  g_application_send_notification(G_APPLICATION(application_), desktopId(id).c_str(), desktop.get());
}

// The page closed it, or replaced it with another of the same tag.
void AppDelegate::onWebNotificationClosed(WebKitNotification* notification, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  guint64 id = webkit_notification_get_id(notification);
  g_signal_handlers_disconnect_by_data(notification, self);
  g_application_withdraw_notification(G_APPLICATION(self->application_), desktopId(id).c_str());
  self->webNotifications_.erase(id);
}

void AppDelegate::webNotificationClicked(guint64 id) {
  if (window_) restoreMainWindow();
  if (auto it = webNotifications_.find(id); it != webNotifications_.end()) {
    webkit_notification_clicked(it->second.get());
  }
}

// Written once beside the app's caches: desktops take a notification's
// picture as a file, and the bundle holds it inside its icon file.
GIcon* AppDelegate::notificationIcon() {
  if (notificationIconLookedUp_ || !options_.bundle) return notificationIcon_.get();
  notificationIconLookedUp_ = true;
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(bundleIconFile(*options_.bundle).c_str(), &contents, &length, nullptr)) return nullptr;
  platform::GCharPtr owned(contents);
  auto png = notificationIconPNG({reinterpret_cast<const std::uint8_t*>(contents), length});
  if (!png) return nullptr;
  std::filesystem::path folder = storageFolders(applicationId_).cache;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::filesystem::path file = folder / "notification-icon.png";
  if (!g_file_set_contents(file.c_str(), reinterpret_cast<const char*>(png->data()), static_cast<gssize>(png->size()),
                           nullptr)) {
    return nullptr;
  }
  auto gfile = platform::adoptGRef(g_file_new_for_path(file.c_str()));
  notificationIcon_ = platform::GRef<GIcon>::adopt(g_file_icon_new(gfile.get()));
  return notificationIcon_.get();
}

}  // namespace runlet
