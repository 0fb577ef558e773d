#pragma once
// The one object behind a generated app's window: it reads the configuration,
// owns the window, the web view and the menus, and answers the web view's
// navigation, download, script-message and panel requests. Its signal
// handlers only translate engine objects for the decisions in runlet_core.

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bundle.hpp"
#include "platform/gobject_ptr.hpp"
#include "platform/workspace.hpp"
#include "runtime/app_config.hpp"
#include "runtime/app_identity.hpp"
#include "runtime/export_bridge.hpp"

namespace runlet {

class AppDelegate {
 public:
  struct Options {
    std::optional<platform::Bundle> bundle;  // the app's own bundle
    std::filesystem::path downloadsFolder;   // empty: the user's Downloads folder
    platform::Workspace* workspace = nullptr;  // nullptr: the desktop's
    bool softwareRendering = false;          // no GPU: composite without GL
    // How long a page may take to answer before its load fails. Tests shorten it.
    std::chrono::milliseconds loadTimeout = std::chrono::seconds(60);
  };

  AppDelegate(GtkApplication* application, Options options);
  ~AppDelegate();
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  // The launch sequence: configuration, window, menus, web view, first load,
  // then the web commands; the window is shown.
  void launch();

  GtkWindow* window() const { return window_; }
  WebKitWebView* webView() const { return webView_; }
  GMenu* mainMenu() const { return mainMenu_.get(); }
  const AppConfig& config() const { return config_; }
  const std::string& exportMessageName() const { return exportMessageName_; }
  size_t pendingDownloads() const { return downloadDestinations_.size(); }

  // Menu commands.
  void reloadPage();
  void goBack();
  void goForward();
  void copyCurrentURL();
  void restoreMainWindow();

  // Replaces the web view's content with the error page.
  void showError(std::string_view message);

 private:
  // Launch steps.
  void buildWindow();
  void configureWebView();
  void applyFullContentStyle();
  void installActions();
  void loadRemote(const std::string& address);
  void loadLocalSite(const AppConfig& config);
  void restoreFrame();
  void saveFrame();
  static gboolean onCloseRequest(GtkWindow*, gpointer self);
  static void onWindowDestroyed(GtkWidget*, gpointer self);

  // Navigation (navigation_signals.cpp).
  void connectNavigationSignals();
  static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer self);
  static GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction*, gpointer self);
  static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, char* uri, GError*, gpointer self);
  static void onLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
  bool decideNavigationAction(WebKitPolicyDecision* decision);
  void decideNewWindowAction(WebKitNavigationAction* action);
  bool decideResponse(WebKitResponsePolicyDecision* decision);
  void presentNavigationError(WebKitLoadEvent event, const GError* error);
  void armLoadTimeout();
  void disarmLoadTimeout();
  static gboolean onLoadTimeout(gpointer self);

  // Local site (site_scheme.cpp).
  void registerSiteScheme();
  static void onSiteRequest(WebKitURISchemeRequest* request, gpointer self);

  // Downloads (download_handling.cpp).
  void adoptDownload(WebKitDownload* download);
  static void onDownloadStarted(WebKitNetworkSession*, WebKitDownload*, gpointer self);
  static gboolean onDecideDestination(WebKitDownload*, char* suggestedName, gpointer self);
  static void onDownloadFinished(WebKitDownload*, gpointer self);
  void finishDownload(WebKitDownload* download);
  static void onDownloadFailed(WebKitDownload*, GError*, gpointer self);
  std::filesystem::path downloadsFolder() const;

  // Export bridge (export_handling.cpp).
  void installExportBridge();
  static gboolean onExportMessage(WebKitUserContentManager*, JSCValue* body, WebKitScriptMessageReply*, gpointer self);
  void receiveExportMessage(JSCValue* body);
  static void onFileInputMessage(WebKitUserContentManager*, JSCValue* body, gpointer self);

  // Page panels (page_panels.cpp).
  void connectPanelSignals();
  static gboolean onScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer self);
  static gboolean onRunFileChooser(WebKitWebView*, WebKitFileChooserRequest*, gpointer self);
  static gboolean onPermissionRequest(WebKitWebView*, WebKitPermissionRequest*, gpointer self);

  // Web notifications (web_notifications.cpp).
  void connectNotificationSignals();
  void installNotificationAction();
  static void onInitializeNotificationPermissions(WebKitWebContext*, gpointer self);
  static gboolean onShowNotification(WebKitWebView*, WebKitNotification*, gpointer self);
  static void onWebNotificationClosed(WebKitNotification*, gpointer self);
  void showWebNotification(WebKitNotification* notification);
  void webNotificationClicked(guint64 id);
  GIcon* notificationIcon();

  platform::Workspace& workspace() const { return *workspace_; }

  GtkApplication* application_;
  Options options_;
  platform::Workspace* workspace_;
  AppConfig config_;
  std::string applicationId_;
  const std::string exportMessageName_ = "nblExport";

  GtkWindow* window_ = nullptr;  // owned by GTK's list of toplevels until destroyed
  GtkOverlay* content_ = nullptr;  // the window's child: the web view and, over it, a full-content window's controls
  WebKitWebView* webView_ = nullptr;  // a BetterWebkit, owned by the window
  platform::GRef<GMenu> mainMenu_;
  platform::GRef<WebKitWebContext> webContext_;
  platform::GRef<WebKitNetworkSession> networkSession_;
  platform::GRef<WebKitUserContentManager> contentManager_;
  std::filesystem::path siteRoot_;

  // Downloads whose destination was chosen here, until they finish or fail.
  std::map<WebKitDownload*, std::filesystem::path> downloadDestinations_;
  // Every download connected to us, held until it ends.
  std::vector<platform::GRef<WebKitDownload>> runningDownloads_;
  // Exports sent in parts, until their last part is in.
  ExportAssembler exportAssembler_;
  // Whether the file input that opens the next chooser asked for folders.
  bool nextChooserWantsFolders_ = false;
  // A page with an address has been on screen since the view was created.
  bool hasCommittedPage_ = false;
  // The running main-frame load's time limit, until the page answers.
  guint loadTimeoutSource_ = 0;
  // The first page's address: its origin may notify from the start.
  std::string firstPageURI_;
  // The page's notifications shown on the desktop, until the page closes them.
  std::map<guint64, platform::GRef<WebKitNotification>> webNotifications_;
  platform::GRef<GIcon> notificationIcon_;
  bool notificationIconLookedUp_ = false;

  // Deferred callbacks hold a weak reference: they do nothing once the delegate is gone.
  std::shared_ptr<AppDelegate*> alive_;
};

}  // namespace runlet
