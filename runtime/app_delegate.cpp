#include "runtime/app_delegate.hpp"

#include <vector>

#include "runtime/better_webkit.hpp"
#include "runtime/callback_guard.hpp"
#include "runtime/menus.hpp"
#include "runtime/runlet_interface.hpp"
#include "runtime/site_loading.hpp"

namespace runlet {

namespace {

constexpr int kDefaultWidth = 1200;
constexpr int kDefaultHeight = 800;
constexpr int kStripMargin = 6;  // around the buttons of a full-content window

using Command = void (AppDelegate::*)();

struct ActionEntry {
  const char* name;
  Command command;
};

void runCommand(GSimpleAction* action, GVariant*, gpointer self) {
  if (!static_cast<AppDelegate*>(self)->window()) return;  // closed: the app is ending
  auto command = static_cast<Command*>(g_object_get_data(G_OBJECT(action), "runlet-command"));
  guarded([&] { (static_cast<AppDelegate*>(self)->**command)(); });
}

void freeCommand(gpointer data) { delete static_cast<Command*>(data); }

void runEditingCommand(WebKitWebView* view, const char* command) {
  if (view) webkit_web_view_execute_editing_command(view, command);
}

}  // namespace

AppDelegate::AppDelegate(GtkApplication* application, Options options)
    : application_(application),
      options_(std::move(options)),
      workspace_(options_.workspace ? options_.workspace : &platform::Workspace::shared()),
      alive_(std::make_shared<AppDelegate*>(this)) {}

AppDelegate::~AppDelegate() {
  *alive_ = nullptr;
  disarmLoadTimeout();
  if (window_) {
    g_signal_handlers_disconnect_by_data(window_, this);
    g_signal_handlers_disconnect_by_data(webView_, this);
    gtk_window_destroy(window_);
  }
  if (networkSession_) g_signal_handlers_disconnect_by_data(networkSession_.get(), this);
  if (contentManager_) g_signal_handlers_disconnect_by_data(contentManager_.get(), this);
  if (webContext_) g_signal_handlers_disconnect_by_data(webContext_.get(), this);
  for (auto& [id, notification] : webNotifications_) g_signal_handlers_disconnect_by_data(notification.get(), this);
  for (auto& download : runningDownloads_) g_signal_handlers_disconnect_by_data(download.get(), this);
}

void AppDelegate::launch() {
  config_ = readAppConfig(options_.bundle);
  std::string bundleId = options_.bundle ? options_.bundle->identifier().value_or("") : "";
  applicationId_ = applicationId(bundleId);
  // The desktop's name for the app (recent files, sounds); set once per process.
  if (!g_get_application_name() || g_get_application_name() == g_get_prgname()) {
    g_set_application_name(config_.name.c_str());
  }
  buildWindow();
  gtk_window_set_title(window_, config_.name.c_str());
  retitleMenus(G_MENU_MODEL(mainMenu_.get()), config_.name);
  {
    auto info = options_.bundle ? options_.bundle->infoDictionary() : platform::plist::Dictionary{};
    titleApplicationMenu(mainMenu_.get(),
                         platform::plist::lookup<std::string>(info, "CFBundleName").value_or(config_.name));
  }
  configureWebView();
  if (config_.fullContent) applyFullContentStyle();
  restoreFrame();
  if (config_.isLocal()) {
    loadLocalSite(config_);
  } else {
    loadRemote(config_.url);
  }

  // What the platform does once launching has finished.
  installWebMenu(mainMenu_.get());
  installActions();
  gtk_application_set_menubar(application_, G_MENU_MODEL(mainMenu_.get()));
  // A full-content window has no bars: its menu is a button over the page.
  gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(window_), !config_.fullContent);
  gtk_window_present(window_);
}

void AppDelegate::buildWindow() {
  auto builder = platform::GRef<GtkBuilder>::adopt(gtk_builder_new_from_string(kRunletInterface.data(),
                                                                                static_cast<gssize>(kRunletInterface.size())));
  mainMenu_ = platform::GRef<GMenu>::retain(G_MENU(gtk_builder_get_object(builder.get(), "mainMenu")));
  window_ = GTK_WINDOW(gtk_application_window_new(application_));
  gtk_window_set_default_size(window_, kDefaultWidth, kDefaultHeight);
  content_ = GTK_OVERLAY(gtk_overlay_new());
  gtk_window_set_child(window_, GTK_WIDGET(content_));
  g_signal_connect(window_, "close-request", G_CALLBACK(onCloseRequest), this);
  g_signal_connect(window_, "destroy", G_CALLBACK(onWindowDestroyed), this);
}

gboolean AppDelegate::onCloseRequest(GtkWindow*, gpointer self) {
  guarded([&] { static_cast<AppDelegate*>(self)->saveFrame(); });
  return FALSE;
}

// Closing the window ends the app; the web view goes with the window.
void AppDelegate::onWindowDestroyed(GtkWidget*, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  self->window_ = nullptr;
  self->content_ = nullptr;
  self->webView_ = nullptr;
  self->disarmLoadTimeout();
}

void AppDelegate::configureWebView() {
  webContext_ = platform::GRef<WebKitWebContext>::adopt(webkit_web_context_new());
  registerSiteScheme();

  // Each app keeps its cookies and storage in folders of its own; the
  // default session's folders are shared by every WebKitGTK program.
  const auto info = options_.bundle ? options_.bundle->infoDictionary() : platform::plist::Dictionary{};
  auto folders = storageFolders(storageKey(info));
  networkSession_ = platform::GRef<WebKitNetworkSession>::adopt(
      webkit_network_session_new(folders.data.c_str(), folders.cache.c_str()));
  std::error_code ec;
  std::filesystem::create_directories(folders.data, ec);
  webkit_cookie_manager_set_persistent_storage(webkit_network_session_get_cookie_manager(networkSession_.get()),
                                               (folders.data / "cookies.sqlite").c_str(),
                                               WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  g_signal_connect(networkSession_.get(), "download-started", G_CALLBACK(onDownloadStarted), this);

  contentManager_ = platform::GRef<WebKitUserContentManager>::adopt(webkit_user_content_manager_new());

  auto settings = platform::GRef<WebKitSettings>::adopt(webkit_settings_new());
  webkit_settings_set_javascript_can_open_windows_automatically(settings.get(), TRUE);
  webkit_settings_set_enable_javascript(settings.get(), TRUE);
  webkit_settings_set_media_playback_requires_user_gesture(settings.get(), FALSE);
  webkit_settings_set_enable_back_forward_navigation_gestures(settings.get(), TRUE);
  webkit_settings_set_enable_media_stream(settings.get(), TRUE);
  webkit_settings_set_user_agent(settings.get(), desktopSafariUserAgent().c_str());
  if (options_.softwareRendering) {
    webkit_settings_set_hardware_acceleration_policy(settings.get(), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }

  webView_ = WEBKIT_WEB_VIEW(g_object_new(RUNLET_TYPE_BETTER_WEBKIT, "web-context", webContext_.get(),
                                          "network-session", networkSession_.get(), "user-content-manager",
                                          contentManager_.get(), "settings", settings.get(), nullptr));
  gtk_overlay_set_child(content_, GTK_WIDGET(webView_));
  connectNavigationSignals();
  connectPanelSignals();
  connectNotificationSignals();
  installExportBridge();
}

// The page fills the window. The title stays set (the desktop's window list
// shows it) but nothing shows it; the window's buttons and its menu float
// over the page, and the strip they sit in moves the window.
void AppDelegate::applyFullContentStyle() {
  // A hidden title bar keeps the window's own decorations (shadow, resize
  // edges) without the desktop's title bar.
  GtkWidget* noTitleBar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_set_visible(noTitleBar, FALSE);
  gtk_window_set_titlebar(window_, noTitleBar);

  GtkWidget* controls = gtk_window_controls_new(GTK_PACK_END);
  GtkWidget* menu = gtk_menu_button_new();
  gtk_menu_button_set_icon_name(GTK_MENU_BUTTON(menu), "open-menu-symbolic");
  gtk_menu_button_set_menu_model(GTK_MENU_BUTTON(menu), G_MENU_MODEL(mainMenu_.get()));
  gtk_menu_button_set_primary(GTK_MENU_BUTTON(menu), TRUE);  // F10 opens it, as a menu bar would
  gtk_widget_set_tooltip_text(menu, "Main Menu");
  gtk_accessible_update_property(GTK_ACCESSIBLE(menu), GTK_ACCESSIBLE_PROPERTY_LABEL, "Main Menu", -1);
  for (auto [widget, side] : {std::pair{controls, GTK_ALIGN_END}, std::pair{menu, GTK_ALIGN_START}}) {
    gtk_widget_set_halign(widget, side);
    gtk_widget_set_valign(widget, GTK_ALIGN_START);
    gtk_widget_set_margin_top(widget, kStripMargin);
    gtk_widget_set_margin_start(widget, kStripMargin);
    gtk_widget_set_margin_end(widget, kStripMargin);
    gtk_widget_add_css_class(widget, "osd");  // readable over any page
    gtk_overlay_add_overlay(content_, widget);
  }
  int height = 0;
  gtk_widget_measure(menu, GTK_ORIENTATION_VERTICAL, -1, nullptr, &height, nullptr, nullptr);
  better_webkit_set_title_strip_height(RUNLET_BETTER_WEBKIT(webView_), height + 2 * kStripMargin);
}

void AppDelegate::installActions() {
  static const ActionEntry entries[] = {
      {"reloadPage", &AppDelegate::reloadPage},
      {"goBack", &AppDelegate::goBack},
      {"goForward", &AppDelegate::goForward},
      {"copyCurrentURL", &AppDelegate::copyCurrentURL},
      {"restoreMainWindow", &AppDelegate::restoreMainWindow},
  };
  for (const auto& entry : entries) {
    auto action = platform::GRef<GSimpleAction>::adopt(g_simple_action_new(entry.name, nullptr));
    g_object_set_data_full(G_OBJECT(action.get()), "runlet-command", new Command(entry.command), freeCommand);
    g_signal_connect(action.get(), "activate", G_CALLBACK(runCommand), this);
    g_action_map_add_action(G_ACTION_MAP(application_), G_ACTION(action.get()));
  }

  struct Simple {
    const char* name;
    void (*run)(AppDelegate*);
  };
  static const Simple simple[] = {
      {"about", [](AppDelegate* self) {
         gtk_show_about_dialog(self->window_, "program-name", self->config_.name.c_str(), nullptr);
       }},
      {"hide", [](AppDelegate* self) { gtk_window_minimize(self->window_); }},
      {"quit", [](AppDelegate* self) { gtk_window_close(self->window_); }},
      {"closeWindow", [](AppDelegate* self) { gtk_window_close(self->window_); }},
      {"cut", [](AppDelegate* self) { runEditingCommand(self->webView_, WEBKIT_EDITING_COMMAND_CUT); }},
      {"copy", [](AppDelegate* self) { runEditingCommand(self->webView_, WEBKIT_EDITING_COMMAND_COPY); }},
      {"paste", [](AppDelegate* self) { runEditingCommand(self->webView_, WEBKIT_EDITING_COMMAND_PASTE); }},
      {"selectAll", [](AppDelegate* self) { runEditingCommand(self->webView_, WEBKIT_EDITING_COMMAND_SELECT_ALL); }},
      {"toggleFullScreen", [](AppDelegate* self) {
         if (gtk_window_is_fullscreen(self->window_)) {
           gtk_window_unfullscreen(self->window_);
         } else {
           gtk_window_fullscreen(self->window_);
         }
       }},
  };
  for (const auto& entry : simple) {
    auto action = platform::GRef<GSimpleAction>::adopt(g_simple_action_new(entry.name, nullptr));
    g_object_set_data(G_OBJECT(action.get()), "runlet-run", reinterpret_cast<gpointer>(entry.run));
    g_signal_connect(action.get(), "activate", G_CALLBACK(+[](GSimpleAction* a, GVariant*, gpointer self) {
                       auto run = reinterpret_cast<void (*)(AppDelegate*)>(g_object_get_data(G_OBJECT(a), "runlet-run"));
                       if (static_cast<AppDelegate*>(self)->window()) guarded([&] { run(static_cast<AppDelegate*>(self)); });
                     }),
                     this);
    g_action_map_add_action(G_ACTION_MAP(application_), G_ACTION(action.get()));
  }
  installNotificationAction();
  for (const auto& shortcut : kApplicationShortcuts) {
    std::vector<const char*> keys;
    for (auto key : shortcut.keys) {
      if (!key.empty()) keys.push_back(key.data());
    }
    keys.push_back(nullptr);
    gtk_application_set_accels_for_action(application_, shortcut.action.data(), keys.data());
  }
}

void AppDelegate::loadRemote(const std::string& address) {
  LoadPlan plan = planRemoteLoad(address);
  if (plan.kind == LoadPlan::Kind::error) {
    showError(plan.errorMessage);
    return;
  }
  firstPageURI_ = plan.uri;
  webkit_web_view_load_uri(webView_, plan.uri.c_str());
}

void AppDelegate::loadLocalSite(const AppConfig& config) {
  std::optional<std::filesystem::path> resources;
  if (options_.bundle) resources = options_.bundle->resourcesPath();
  LoadPlan plan = planLocalSiteLoad(config, resources);
  if (plan.kind == LoadPlan::Kind::error) {
    showError(plan.errorMessage);
    return;
  }
  siteRoot_ = plan.siteRoot;
  firstPageURI_ = plan.uri;
  webkit_web_view_load_uri(webView_, plan.uri.c_str());
}

void AppDelegate::showError(std::string_view message) {
  webkit_web_view_load_html(webView_, errorPageHTML(message).c_str(), nullptr);
}

void AppDelegate::reloadPage() { webkit_web_view_reload(webView_); }

void AppDelegate::goBack() {
  if (webkit_web_view_can_go_back(webView_)) webkit_web_view_go_back(webView_);
}

void AppDelegate::goForward() {
  if (webkit_web_view_can_go_forward(webView_)) webkit_web_view_go_forward(webView_);
}

void AppDelegate::copyCurrentURL() {
  const char* uri = webkit_web_view_get_uri(webView_);
  if (!uri || !*uri) return;
  gdk_clipboard_set_text(gtk_widget_get_clipboard(GTK_WIDGET(window_)), uri);
}

void AppDelegate::restoreMainWindow() { gtk_window_present(window_); }

}  // namespace runlet
