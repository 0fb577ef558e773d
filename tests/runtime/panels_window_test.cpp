// Alerts, confirmations and file choosers from pages, in a real window.
#include <gtest/gtest.h>

#include "tests/runtime/runlet_harness.hpp"

namespace runlet_test {
namespace {

using Panels = RunletWindowTest;

TEST_F(Panels, DialogsAndFileChoosersOnTheWindowHandTheUsersAnswerToThePage) {
  testing_support::writeFile(temp_ / "picked/notes.txt", "n");
  server_.page("/", "<input id=one type=file><input id=many type=file multiple><input id=folder type=file webkitdirectory>");
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  // A visible toplevel other than the main window, of the given type.
  auto panel = [&](GType type) -> GtkWindow* {
    GListModel* toplevels = gtk_window_get_toplevels();  // owned by GTK
    for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
      auto window = platform::GRef<GtkWindow>::adopt(GTK_WINDOW(g_list_model_get_item(toplevels, i)));
      if (window.get() != delegate_->window() && G_TYPE_CHECK_INSTANCE_TYPE(window.get(), type) &&
          gtk_widget_get_visible(GTK_WIDGET(window.get()))) {
        return window.get();
      }
    }
    return nullptr;
  };
  auto waitForPanel = [&](GType type) {
    GtkWindow* window = nullptr;
    waitUntil([&] { return (window = panel(type)) != nullptr; });
    return window;
  };
  // The dialog's text and buttons, then what the page got.
  const std::tuple<const char*, int, const char*> dialogs[] = {
      {"alert(''); return 'returned'", GTK_RESPONSE_OK, "|OK; \"returned\""},
      {"return confirm('Delete <all>?')", GTK_RESPONSE_OK, "Delete <all>?|OK;Cancel; true"},
      {"return confirm('closed')", GTK_RESPONSE_DELETE_EVENT, "closed|OK;Cancel; false"},
  };
  for (const auto& [body, response, expected] : dialogs) {
    auto script = evaluateLater(body);
    GtkWindow* dialog = waitForPanel(GTK_TYPE_MESSAGE_DIALOG);
    ASSERT_TRUE(dialog) << body;
    EXPECT_TRUE(gtk_window_get_modal(dialog) && gtk_window_get_transient_for(dialog) == delegate_->window());
    g_autofree char* text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    std::string seen = std::string(text ? text : "") + "|";
    for (GtkWidget* w : descendants(GTK_WIDGET(dialog))) {
      if (GTK_IS_BUTTON(w) && gtk_button_get_label(GTK_BUTTON(w))) seen += std::string(gtk_button_get_label(GTK_BUTTON(w))) + ";";
    }
    gtk_dialog_response(GTK_DIALOG(dialog), response);
    EXPECT_EQ(seen + " " + finish(script), expected);
  }

  const struct {
    const char* input;
    bool multiple;
    GtkFileChooserAction action;
    const char* pick;  // nothing: cancelled
    const char* pageSees;
  } choosers[] = {
      {"many", true, GTK_FILE_CHOOSER_ACTION_OPEN, "picked/notes.txt", "\"notes.txt\""},
      {"folder", false, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "picked", "\"picked\""},
      {"one", false, GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, "\"\""},
  };
  for (const auto& row : choosers) {
    auto script = evaluateLater(std::string("const input = document.getElementById('") + row.input + "');"
                                "const done = new Promise(r => { input.onchange = r; input.oncancel = r; });"
                                "input.click(); await done; return Array.from(input.files).map(f => f.name).join(',')");
    GtkWindow* chooser = waitForPanel(GTK_TYPE_FILE_CHOOSER_DIALOG);
    ASSERT_TRUE(chooser) << row.input;
    EXPECT_EQ(gtk_file_chooser_get_select_multiple(GTK_FILE_CHOOSER(chooser)), row.multiple) << row.input;
    EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(chooser)), row.action) << row.input;
    if (row.pick) {
      auto pick = platform::adoptGRef(g_file_new_for_path((temp_ / row.pick).c_str()));
      ASSERT_TRUE(gtk_file_chooser_set_file(GTK_FILE_CHOOSER(chooser), pick.get(), nullptr));
      // The chooser selects once it has read the folder.
      ASSERT_TRUE(waitUntil([&] {
        auto chosen = platform::adoptGRef(gtk_file_chooser_get_file(GTK_FILE_CHOOSER(chooser)));
        return chosen && g_file_equal(chosen.get(), pick.get());
      }));
    }
    gtk_dialog_response(GTK_DIALOG(chooser), row.pick ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
    EXPECT_EQ(finish(script), row.pageSees) << row.input;
    ASSERT_TRUE(waitUntil([&] { return panel(GTK_TYPE_FILE_CHOOSER_DIALOG) == nullptr; }));
  }
}

}  // namespace
}  // namespace runlet_test
