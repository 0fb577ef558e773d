#include "frontend/views/gtk_wizard_services.hpp"

#include <gio/gdesktopappinfo.h>

#include "platform/app_id.hpp"
#include "platform/bundle.hpp"
#include "platform/workspace.hpp"

namespace views {
namespace {

// The key under which the registration tool records the bundle a launcher starts.
constexpr const char* kBundleKey = "X-Nimbrel-Bundle";
constexpr const char* kMainBundleOverride = "NIMBREL_MAIN_BUNDLE";

struct FolderRequest {
  platform::GRef<GtkFileChooserNative> chooser;
  std::function<void(std::vector<std::filesystem::path>)> chosen;
};

void folderResponse(GtkNativeDialog* dialog, int response, gpointer data) {
  std::unique_ptr<FolderRequest> request(static_cast<FolderRequest*>(data));
  std::vector<std::filesystem::path> folders;
  if (response == GTK_RESPONSE_ACCEPT) {
    auto files = platform::adoptGRef(gtk_file_chooser_get_files(GTK_FILE_CHOOSER(dialog)));
    for (guint i = 0; i < g_list_model_get_n_items(files.get()); ++i) {
      auto file = platform::adoptGRef(G_FILE(g_list_model_get_item(files.get(), i)));
      platform::GCharPtr path(g_file_get_path(file.get()));
      if (path) folders.emplace_back(path.get());
    }
  }
  gtk_native_dialog_destroy(dialog);
  if (response == GTK_RESPONSE_ACCEPT) request->chosen(std::move(folders));
}

struct AlertReply {
  std::size_t buttons;
  std::function<void(std::size_t)> closed;
};

void alertResponse(GtkDialog* dialog, int response, gpointer data) {
  std::unique_ptr<AlertReply> reply(static_cast<AlertReply*>(data));
  gtk_window_destroy(GTK_WINDOW(dialog));
  // Escape or closing the alert means the last button, the one that changes nothing.
  std::size_t button = response >= 0 && std::size_t(response) < reply->buttons ? std::size_t(response)
                                                                                : reply->buttons - 1;
  if (reply->closed) reply->closed(button);
}

}  // namespace

GtkWizardServices::GtkWizardServices(GtkWidget* host, frontend::SigningSettings& settings, IconFetcher fetchIcon,
                                     GCancellable* cancellable)
    : PlatformWizardServices(settings, std::move(fetchIcon), cancellable), host_(host) {}

GtkWindow* GtkWizardServices::window() const {
  auto host = host_.get();
  GtkRoot* root = host ? gtk_widget_get_root(host.get()) : nullptr;
  return root && GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr;
}

void GtkWizardServices::chooseFolder(std::function<void(std::vector<std::filesystem::path>)> chosen) {
  GtkFileChooserNative* chooser =
      gtk_file_chooser_native_new(nullptr, window(), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, nullptr, nullptr);
  gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(chooser), false);
  gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(chooser), true);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), true);
  auto* request = new FolderRequest{platform::adoptGRef(chooser), std::move(chosen)};
  g_signal_connect(chooser, "response", G_CALLBACK(folderResponse), request);
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}

void GtkWizardServices::showAlert(const frontend::AlertRequest& alert, std::function<void(std::size_t)> closed) {
  GtkWidget* dialog = gtk_message_dialog_new(window(), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE, "%s",
                                             alert.message.c_str());
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", alert.informativeText.c_str());
  std::vector<std::string> buttons = alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
  // The first button is the default and sits at the trailing end, as on the desktop's own alerts.
  for (std::size_t i = buttons.size(); i-- > 0;) {
    gtk_dialog_add_button(GTK_DIALOG(dialog), buttons[i].c_str(), int(i));
  }
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), 0);
  auto* reply = new AlertReply{buttons.size(), std::move(closed)};
  g_signal_connect(dialog, "response", G_CALLBACK(alertResponse), reply);
  gtk_window_present(GTK_WINDOW(dialog));
}

platform::GRef<GAppInfo> launcherForBundle(const std::filesystem::path& app) {
  auto identifier = platform::Bundle(app).identifier();
  if (!identifier) return {};
  std::string desktopId = platform::applicationIdForBundleIdentifier(*identifier) + ".desktop";
  auto info = platform::adoptGRef(g_desktop_app_info_new(desktopId.c_str()));
  if (!info) return {};
  platform::GCharPtr bundle(g_desktop_app_info_get_string(info.get(), kBundleKey));
  std::error_code ec;
  if (!bundle || !std::filesystem::equivalent(bundle.get(), app, ec)) return {};
  return platform::GRef<GAppInfo>::retain(G_APP_INFO(info.get()));
}

void GtkWizardServices::openApp(const std::filesystem::path& app) {
  // Through its launcher the desktop knows the app, so it shows with its own icon.
  if (auto launcher = launcherForBundle(app)) {
    GdkDisplay* display = gdk_display_get_default();
    auto context = platform::adoptGRef(display ? G_APP_LAUNCH_CONTEXT(gdk_display_get_app_launch_context(display))
                                               : g_app_launch_context_new());
    // The app finds its own bundle; an override meant for Nimbrel would point it at Nimbrel's.
    g_app_launch_context_unsetenv(context.get(), kMainBundleOverride);
    if (g_app_info_launch(launcher.get(), nullptr, context.get(), nullptr)) return;
  }
  // Not registered (or its launcher is gone): start the bundle's own executable.
  platform::Bundle bundle(app);
  auto executable = platform::plist::lookup<std::string>(bundle.infoDictionary(), "CFBundleExecutable");
  if (!executable || executable->find('/') != std::string::npos) return;
  std::string program = (bundle.contentsPath() / "MacOS" / *executable).string();
  char* argv[] = {program.data(), nullptr};
  platform::CPtr<gchar*> environment(g_environ_unsetenv(g_get_environ(), kMainBundleOverride));
  g_spawn_async(nullptr, argv, environment.get(), G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, nullptr);
}

void GtkWizardServices::reveal(const std::filesystem::path& path) { platform::Workspace::shared().revealFile(path); }

}  // namespace views
