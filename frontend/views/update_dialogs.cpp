#include "frontend/views/update_dialogs.hpp"

#include <adwaita.h>

#include <memory>
#include <string>

namespace {

using Responded = std::function<void(const std::string& response)>;

void respond(AdwMessageDialog*, const char* response, gpointer data) { (*static_cast<Responded*>(data))(response); }
void freeResponded(gpointer data, GClosure*) { delete static_cast<Responded*>(data); }

// One message dialog: `responses` as (id, label) pairs, the last one the
// default. Closing it otherwise answers "close".
void present(GtkWindow* parent, const std::string& heading, const std::string& body,
             std::initializer_list<std::pair<const char*, const char*>> responses, Responded responded) {
  GtkWidget* dialog = adw_message_dialog_new(parent, heading.c_str(), body.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), heading.c_str());
  auto* message = ADW_MESSAGE_DIALOG(dialog);
  const char* last = nullptr;
  for (const auto& [id, label] : responses) {
    adw_message_dialog_add_response(message, id, label);
    last = id;
  }
  if (responses.size() > 1) adw_message_dialog_set_response_appearance(message, last, ADW_RESPONSE_SUGGESTED);
  adw_message_dialog_set_default_response(message, last);
  adw_message_dialog_set_close_response(message, "close");
  g_signal_connect_data(dialog, "response", G_CALLBACK(respond), new Responded(std::move(responded)), freeResponded,
                        GConnectFlags(0));
  gtk_window_present(GTK_WINDOW(dialog));
}

}  // namespace

UpdateDialogs::UpdateDialogs(GtkApplication* application, platform::Workspace& workspace)
    : application_(application), workspace_(workspace) {}

GtkWindow* UpdateDialogs::parent() const { return gtk_application_get_active_window(application_); }

void UpdateDialogs::showUpToDate(const std::string& installedVersion, std::function<void()> closed) {
  present(parent(), "You're up to date", "Nimbrel " + installedVersion + " is the newest version available.",
          {{"close", "OK"}}, [closed](const std::string&) { closed(); });
}

void UpdateDialogs::showUpdateFound(const frontend::AppcastItem& item, std::function<void()> closed) {
  auto page = frontend::downloadPage(item);
  std::string body = page ? "Download it and install it with your package manager."
                          : "Install it with your package manager.";
  std::initializer_list<std::pair<const char*, const char*>> withDownload = {{"close", "Later"},
                                                                             {"download", "Download"}};
  std::initializer_list<std::pair<const char*, const char*>> without = {{"close", "OK"}};
  present(parent(), "A new version " + item.displayVersion() + " is available", body, page ? withDownload : without,
          [this, page, closed](const std::string& response) {
            if (response == "download" && page) workspace_.openURL(*page);
            closed();
          });
}

void UpdateDialogs::showCheckFailed(const std::string& message, std::function<void()> closed) {
  present(parent(), "Update check failed", message, {{"close", "OK"}}, [closed](const std::string&) { closed(); });
}

void UpdateDialogs::askAboutAutomaticChecks(std::function<void(std::optional<bool>)> answered) {
  present(parent(), "Check for updates automatically?",
          "Nimbrel can look for a new version once a day. You can always check from the menu with "
          "\u201CCheck for Updates\u2026\u201D.",
          {{"no", "Don't Check"}, {"yes", "Check Automatically"}}, [answered](const std::string& response) {
            if (response == "yes") return answered(true);
            if (response == "no") return answered(false);
            answered(std::nullopt);
          });
}
