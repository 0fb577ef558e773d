// Alerts, confirmations and file choosers from pages, in a real window.
#include <gtest/gtest.h>

#include "tests/runtime/runlet_harness.hpp"

namespace runlet_test {
namespace {

using Panels = RunletWindowTest;

TEST_F(Panels, DialogsAndFileChoosersOnTheWindowHandTheUsersAnswerToThePage) {
  testing_support::writeFile(temp_ / "picked/notes.txt", "n");
  server_.page("/", "<input id=one type=file><input id=many type=file multiple><input id=folder type=file webkitdirectory>");
  ASSERT_TRUE(openPage("/"));
  auto choose = [](std::string input) {
    return "const input = document.getElementById('" + input + "');"
           "const done = new Promise(r => { input.onchange = r; input.oncancel = r; });"
           "input.click(); await done; return Array.from(input.files).map(f => f.name).join(',')";
  };
  // The page's request; what the user picks (nothing: none) and answers; what the user saw, then what the page got.
  const std::tuple<std::string, const char*, int, const char*> rows[] = {
      {"alert(''); return 'returned'", nullptr, GTK_RESPONSE_OK, "OK; \"returned\""},
      {"return confirm('Delete <all>?')", nullptr, GTK_RESPONSE_OK, "Delete <all>?;OK;Cancel; true"},
      {"return confirm('closed')", nullptr, GTK_RESPONSE_DELETE_EVENT, "closed;OK;Cancel; false"},
      {choose("many"), "picked/notes.txt", GTK_RESPONSE_ACCEPT, "files, several \"notes.txt\""},
      {choose("folder"), "picked", GTK_RESPONSE_ACCEPT, "a folder \"picked\""},
      {choose("one"), nullptr, GTK_RESPONSE_CANCEL, "files \"\""},
  };
  for (const auto& [body, pick, response, expected] : rows) {
    auto script = evaluateLater(body);
    GtkWindow* panel = nullptr;
    ASSERT_TRUE(runUntil([&] {
      GListModel* toplevels = gtk_window_get_toplevels();  // owned by GTK
      for (guint i = 0; !panel && i < g_list_model_get_n_items(toplevels); ++i) {
        auto window = platform::GRef<GtkWindow>::adopt(GTK_WINDOW(g_list_model_get_item(toplevels, i)));
        if (window.get() != delegate_->window() && gtk_widget_get_mapped(GTK_WIDGET(window.get()))) panel = window.get();
      }
      return panel != nullptr;
    })) << body;
    EXPECT_TRUE(gtk_window_get_modal(panel) && gtk_window_get_transient_for(panel) == delegate_->window()) << body;
    // A dialog's text and buttons; a chooser's kind.
    std::string seen = GTK_IS_FILE_CHOOSER(panel) ? "" : shownLabels(GTK_WIDGET(panel));
    if (GTK_IS_FILE_CHOOSER(panel)) {
      auto* chooser = GTK_FILE_CHOOSER(panel);
      seen = gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER ? "a folder" : "files";
      if (gtk_file_chooser_get_select_multiple(chooser)) seen += ", several";
      if (pick) {
        auto file = platform::adoptGRef(g_file_new_for_path((temp_ / pick).c_str()));
        ASSERT_TRUE(gtk_file_chooser_set_file(chooser, file.get(), nullptr));
        // The chooser selects once it has read the folder.
        ASSERT_TRUE(runUntil([&] {
          auto chosen = platform::adoptGRef(gtk_file_chooser_get_file(chooser));
          return chosen && g_file_equal(chosen.get(), file.get());
        }));
      }
    }
    gtk_dialog_response(GTK_DIALOG(panel), response);
    EXPECT_EQ(seen + " " + finish(script), expected);
  }
}

}  // namespace
}  // namespace runlet_test
