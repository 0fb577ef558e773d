// Alerts, confirmations, file choosers and media permissions asked for by pages.
#include "runtime/app_delegate.hpp"
#include "runtime/callback_guard.hpp"

namespace runlet {

namespace {

// The page's dialog, held until the user answers.
struct PendingScriptDialog {
  WebKitScriptDialog* dialog;
  ~PendingScriptDialog() {
    webkit_script_dialog_close(dialog);
    webkit_script_dialog_unref(dialog);
  }
};

void onMessageDialogResponse(GtkDialog* panel, int response, gpointer data) {
  std::unique_ptr<PendingScriptDialog> pending(static_cast<PendingScriptDialog*>(data));
  if (webkit_script_dialog_get_dialog_type(pending->dialog) == WEBKIT_SCRIPT_DIALOG_CONFIRM) {
    webkit_script_dialog_confirm_set_confirmed(pending->dialog, response == GTK_RESPONSE_OK);
  }
  gtk_window_destroy(GTK_WINDOW(panel));
}

struct PendingFileChooser {
  WebKitFileChooserRequest* request;
  bool answered = false;
  ~PendingFileChooser() {
    if (!answered) webkit_file_chooser_request_cancel(request);
    g_object_unref(request);
  }
};

// The chosen files go to the page; an empty choice is left as a cancel.
void selectChosenFiles(GtkFileChooser* panel, PendingFileChooser& pending) {
  auto files = platform::GRef<GListModel>::adopt(gtk_file_chooser_get_files(panel));
  std::vector<std::string> paths;
  for (guint i = 0; files && i < g_list_model_get_n_items(files.get()); ++i) {
    auto file = platform::GRef<GFile>::adopt(G_FILE(g_list_model_get_item(files.get(), i)));
    platform::GCharPtr path(g_file_get_path(file.get()));
    if (path) paths.emplace_back(path.get());
  }
  if (paths.empty()) return;
  std::vector<const char*> list;
  for (const auto& p : paths) list.push_back(p.c_str());
  list.push_back(nullptr);
  webkit_file_chooser_request_select_files(pending.request, list.data());
  pending.answered = true;
}

void onFileChooserResponse(GtkDialog* panel, int response, gpointer data) {
  std::unique_ptr<PendingFileChooser> pending(static_cast<PendingFileChooser*>(data));
  if (response == GTK_RESPONSE_ACCEPT) guarded([&] { selectChosenFiles(GTK_FILE_CHOOSER(panel), *pending); });
  gtk_window_destroy(GTK_WINDOW(panel));
}

}  // namespace

void AppDelegate::connectPanelSignals() {
  g_signal_connect(webView_, "script-dialog", G_CALLBACK(onScriptDialog), this);
  g_signal_connect(webView_, "run-file-chooser", G_CALLBACK(onRunFileChooser), this);
  g_signal_connect(webView_, "permission-request", G_CALLBACK(onPermissionRequest), this);
}

gboolean AppDelegate::onScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  auto type = webkit_script_dialog_get_dialog_type(dialog);
  // Text prompts and leave-page questions keep the engine's own handling.
  if (type != WEBKIT_SCRIPT_DIALOG_ALERT && type != WEBKIT_SCRIPT_DIALOG_CONFIRM) return FALSE;
  GtkWidget* panel = gtk_message_dialog_new(self->window_, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                            GTK_MESSAGE_OTHER, GTK_BUTTONS_NONE, "%s",
                                            webkit_script_dialog_get_message(dialog));
  gtk_dialog_add_button(GTK_DIALOG(panel), "OK", GTK_RESPONSE_OK);
  if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM) gtk_dialog_add_button(GTK_DIALOG(panel), "Cancel", GTK_RESPONSE_CANCEL);
  auto* pending = new PendingScriptDialog{webkit_script_dialog_ref(dialog)};
  g_signal_connect(panel, "response", G_CALLBACK(onMessageDialogResponse), pending);
  gtk_window_present(GTK_WINDOW(panel));
  return TRUE;
}

gboolean AppDelegate::onRunFileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  bool folders = std::exchange(self->nextChooserWantsFolders_, false);
  // GTK's chooser picks either files or folders; an input that takes folders gets the folder chooser.
  auto action = folders ? GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER : GTK_FILE_CHOOSER_ACTION_OPEN;
  GtkWidget* panel = gtk_file_chooser_dialog_new(nullptr, self->window_, action, "Cancel", GTK_RESPONSE_CANCEL,
                                                folders ? "Select" : "Open", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_window_set_modal(GTK_WINDOW(panel), TRUE);
  gtk_window_set_destroy_with_parent(GTK_WINDOW(panel), TRUE);
  gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(panel), webkit_file_chooser_request_get_select_multiple(request));
  auto* pending = new PendingFileChooser{WEBKIT_FILE_CHOOSER_REQUEST(g_object_ref(request))};
  g_signal_connect(panel, "response", G_CALLBACK(onFileChooserResponse), pending);
  gtk_window_present(GTK_WINDOW(panel));
  return TRUE;
}

// Camera, microphone and notifications are granted without a question.
gboolean AppDelegate::onPermissionRequest(WebKitWebView*, WebKitPermissionRequest* request, gpointer) {
  if (!WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request) && !WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) {
    return FALSE;
  }
  webkit_permission_request_allow(request);
  return TRUE;
}

}  // namespace runlet
