#include "frontend/views/application.hpp"

#include <adwaita.h>

#include <memory>
#include <string>

#include "frontend/appcast_updater.hpp"
#include "frontend/mailing_list_manager.hpp"
#include "frontend/notification_center.hpp"
#include "frontend/quitting.hpp"
#include "frontend/support_mail.hpp"
#include "frontend/views/app_menu.hpp"
#include "frontend/views/main_window.hpp"
#include "frontend/views/update_dialogs.hpp"
#include "frontend/views/view_type.hpp"
#include "frontend/views/views_init.hpp"
#include "platform/bundle.hpp"
#include "platform/dispatch.hpp"
#include "platform/workspace.hpp"

struct NimbrelApplicationPrivate {
  frontend::MailingListManager* mailingList = &frontend::MailingListManager::shared();
  std::unique_ptr<UpdateDialogs> dialogs;
  std::unique_ptr<frontend::Updater> updater;
  AppMenu menu;
  bool newsletterOffered = false;
  platform::WeakRef<GtkWindow> window;
  frontend::Connection updaterChanged;
  frontend::Connection mailingListChanged;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelApplication, nimbrel_application, GTK_TYPE_APPLICATION, GtkApplication)

static void setEnabled(NimbrelApplication* self, const char* name, bool enabled) {
  GAction* action = g_action_map_lookup_action(G_ACTION_MAP(self), name);
  if (G_IS_SIMPLE_ACTION(action)) g_simple_action_set_enabled(G_SIMPLE_ACTION(action), enabled);
}

// The one place the models' state turns into what the menus offer.
static void syncActions(NimbrelApplication* self) {
  auto* priv = self->priv;
  setEnabled(self, "check-for-updates", priv->updater && priv->updater->canCheckForUpdates());
  bool optedOut = priv->mailingList->isOptedOut();
  setEnabled(self, "subscribe-newsletter", !optedOut);
  if (optedOut && priv->newsletterOffered) {
    priv->newsletterOffered = false;
    nimbrel_app_menu_remove_newsletter(priv->menu);
  }
}

static GtkWindow* mainWindow(NimbrelApplication* self) { return self->priv->window.get().get(); }

static void presentMainWindow(NimbrelApplication* self) {
  if (GtkWindow* window = mainWindow(self)) gtk_window_present(window);
}

static void showAbout(GSimpleAction*, GVariant*, gpointer data) {
  auto* self = NIMBREL_APPLICATION(data);
  std::string version = "";
  if (auto bundle = platform::Bundle::main()) {
    version = platform::plist::lookup<std::string>(bundle->infoDictionary(), "CFBundleShortVersionString").value_or("");
  }
  GtkWidget* about = adw_about_window_new();
  g_object_set(about, "application-name", "Nimbrel", "application-icon", nimbrelApplicationId, "version",
               version.c_str(), "developer-name", "Corvan", "transient-for", mainWindow(self), "modal", TRUE, nullptr);
  gtk_window_present(GTK_WINDOW(about));
}

static void checkForUpdates(GSimpleAction*, GVariant*, gpointer data) {
  if (auto& updater = NIMBREL_APPLICATION(data)->priv->updater) updater->checkForUpdates();
}

static void showSettings(GSimpleAction*, GVariant*, gpointer data) {
  presentMainWindow(NIMBREL_APPLICATION(data));
  frontend::NotificationCenter::defaultCenter().post(frontend::showSettingsNotification);
}

static void contactSupport(GSimpleAction*, GVariant*, gpointer) {
  frontend::openSupportEmail(platform::Workspace::shared());
}

static void subscribeToNewsletter(GSimpleAction*, GVariant*, gpointer data) {
  NIMBREL_APPLICATION(data)->priv->mailingList->present(true);
}

static void quit(GSimpleAction*, GVariant*, gpointer data) {
  auto* application = GTK_APPLICATION(data);
  GList* windows = g_list_copy(gtk_application_get_windows(application));
  for (GList* w = windows; w; w = w->next) gtk_window_destroy(GTK_WINDOW(w->data));
  g_list_free(windows);
  g_application_quit(G_APPLICATION(application));
}

// The close button hides the main window; the application keeps running and
// its next activation shows the same window again.
static gboolean hideInsteadOfClosing(GtkWindow* window, gpointer) {
  gtk_widget_set_visible(GTK_WIDGET(window), FALSE);
  return TRUE;
}

// After the first main-loop turn, when the window exists: the first window of
// the application becomes the main window. Without one nothing is adopted.
static void adoptMainWindow(NimbrelApplication* self) {
  GList* windows = gtk_application_get_windows(GTK_APPLICATION(self));
  if (!windows) return;
  auto* window = GTK_WINDOW(windows->data);
  self->priv->window.set(window);
  g_signal_connect(window, "close-request", G_CALLBACK(hideInsteadOfClosing), nullptr);
}

static void nimbrel_application_startup(GApplication* application) {
  G_APPLICATION_CLASS(nimbrel_application_parent_class)->startup(application);
  auto* self = NIMBREL_APPLICATION(application);
  auto* priv = self->priv;
  nimbrel_views_init();
  frontend::stopAllWorkOnSignals();

  static const GActionEntry actions[] = {
      {"about", showAbout, nullptr, nullptr, nullptr, {}},
      {"check-for-updates", checkForUpdates, nullptr, nullptr, nullptr, {}},
      {"settings", showSettings, nullptr, nullptr, nullptr, {}},
      {"contact-support", contactSupport, nullptr, nullptr, nullptr, {}},
      {"subscribe-newsletter", subscribeToNewsletter, nullptr, nullptr, nullptr, {}},
      {"quit", quit, nullptr, nullptr, nullptr, {}},
  };
  g_action_map_add_action_entries(G_ACTION_MAP(self), actions, G_N_ELEMENTS(actions), self);
  const struct {
    const char* action;
    const char* accel;
  } accels[] = {{"app.settings", "<Control>comma"}, {"app.quit", "<Control>q"}, {"window.close", "<Control>w"}};
  for (const auto& [action, accel] : accels) {
    const char* list[] = {accel, nullptr};
    gtk_application_set_accels_for_action(GTK_APPLICATION(self), action, list);
  }

  priv->newsletterOffered = !priv->mailingList->isOptedOut();
  priv->menu = nimbrel_app_menu_new(priv->newsletterOffered);
  gtk_application_set_menubar(GTK_APPLICATION(self), priv->menu.menubar.get());

  priv->dialogs = std::make_unique<UpdateDialogs>(GTK_APPLICATION(self), platform::Workspace::shared());
  priv->updater = std::make_unique<frontend::AppcastUpdater>(frontend::UpdaterEnvironment::system(), *priv->dialogs);
  priv->updaterChanged = priv->updater->observe([self] { syncActions(self); });
  priv->mailingListChanged = priv->mailingList->observe([self] { syncActions(self); });
  syncActions(self);
  priv->updater->start();

  platform::postToMain([weak = platform::WeakRef<NimbrelApplication>(self)] {
    if (auto self = weak.get()) adoptMainWindow(self.get());
  });
}

static void nimbrel_application_activate(GApplication* application) {
  auto* self = NIMBREL_APPLICATION(application);
  auto* priv = self->priv;
  if (!gtk_application_get_windows(GTK_APPLICATION(self))) {
    GtkWidget* window = nimbrel_main_window_new(GTK_APPLICATION(self), priv->menu.primaryMenu.get(),
                                                *priv->mailingList, *priv->updater);
    gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(window), FALSE);
    gtk_window_present(GTK_WINDOW(window));
    return;
  }
  presentMainWindow(self);
}

static void nimbrel_application_shutdown(GApplication* application) {
  auto* priv = NIMBREL_APPLICATION(application)->priv;
  // Builds and icon searches end (and tidy up) before the process does.
  frontend::stopAllWork();
  priv->mailingList->isUpdateInProgress = [] { return false; };
  priv->updaterChanged.disconnect();
  priv->mailingListChanged.disconnect();
  priv->updater.reset();
  priv->dialogs.reset();
  G_APPLICATION_CLASS(nimbrel_application_parent_class)->shutdown(application);
}

static void nimbrel_application_class_setup(NimbrelApplicationClass* klass) {
  auto* applicationClass = G_APPLICATION_CLASS(klass);
  applicationClass->startup = nimbrel_application_startup;
  applicationClass->activate = nimbrel_application_activate;
  applicationClass->shutdown = nimbrel_application_shutdown;
}

static void nimbrel_application_setup(NimbrelApplication*) {}

int nimbrel_application_run(const char* programName) {
  auto application = platform::adoptGRef(NIMBREL_APPLICATION(
      g_object_new(NIMBREL_TYPE_APPLICATION, "application-id", nimbrelApplicationId, "flags",
                   G_APPLICATION_DEFAULT_FLAGS, nullptr)));
  char* argv[] = {const_cast<char*>(programName), nullptr};
  return g_application_run(G_APPLICATION(application.get()), 1, argv);
}
