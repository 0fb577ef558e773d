// Alerts, confirmations, file choosers and camera requests from pages, and
// what the app hands to the desktop, in a real window.
#include <gtest/gtest.h>

#include "tests/runtime/runlet_harness.hpp"

namespace runlet_test {
namespace {

// The labels of a dialog's buttons, in order.
std::vector<std::string> buttonLabels(GtkWindow* dialog) {
  std::vector<std::string> labels;
  // The action area is not exposed; buttons are found by walking the dialog.
  std::vector<GtkWidget*> stack{GTK_WIDGET(dialog)};
  while (!stack.empty()) {
    GtkWidget* widget = stack.back();
    stack.pop_back();
    if (GTK_IS_BUTTON(widget) && gtk_button_get_label(GTK_BUTTON(widget))) {
      labels.emplace_back(gtk_button_get_label(GTK_BUTTON(widget)));
    }
    std::vector<GtkWidget*> children;
    for (GtkWidget* c = gtk_widget_get_first_child(widget); c; c = gtk_widget_get_next_sibling(c)) children.push_back(c);
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  return labels;
}

class Panels : public RunletWindowTest {
 protected:
  void SetUp() override {
    RunletWindowTest::SetUp();
    server_.page("/", "<input id=one type=file><input id=many type=file multiple>"
                      "<input id=folder type=file webkitdirectory>");
  }
  void open() {
    launch(remote(server_.url("/"), "Panels"));
    ASSERT_TRUE(waitForPage(server_.url("/")));
  }
  // Answers the open message dialog with the button `response` and returns the page's result.
  std::string answer(const std::shared_ptr<PendingScript>& script, int response, std::vector<std::string>* labels,
                     std::string* message = nullptr) {
    GtkWindow* dialog = waitForPanel(GTK_TYPE_MESSAGE_DIALOG);
    if (!dialog) return "no dialog";
    EXPECT_EQ(gtk_window_get_transient_for(dialog), delegate_->window());
    EXPECT_TRUE(gtk_window_get_modal(dialog));
    if (labels) *labels = buttonLabels(dialog);
    if (message) {
      g_autofree char* text = nullptr;
      g_object_get(dialog, "text", &text, nullptr);
      *message = text ? text : "";
    }
    gtk_dialog_response(GTK_DIALOG(dialog), response);
    return finish(script);
  }
};

TEST_F(Panels, AlertAndConfirmOnTheWindowAndCameraGrantedToACrossOriginFrame) {
  // Same server, another origin: "localhost" instead of the address.
  std::string frame = server_.url("/camera");
  frame.replace(frame.find("127.0.0.1"), 9, "localhost");
  server_.page("/camera", "<script>navigator.mediaDevices.getUserMedia({video: true, audio: true})"
                          ".then(s => parent.postMessage('granted ' + s.getTracks().length, '*'),"
                          "      e => parent.postMessage('refused ' + e.name, '*'))</script>");
  server_.page("/host", "<script>addEventListener('message', e => window.answer = e.data)</script>"
                        "<iframe allow='camera; microphone' src='" + frame + "'></iframe>");
  open();
  std::vector<std::string> labels;
  std::string message = "unset";
  EXPECT_EQ(answer(evaluateLater("alert(''); return 'returned'"), GTK_RESPONSE_OK, &labels, &message), "\"returned\"");
  EXPECT_EQ(labels, std::vector<std::string>{"OK"});
  EXPECT_EQ(message, "");
  EXPECT_EQ(answer(evaluateLater("return confirm('Delete <all>?')"), GTK_RESPONSE_OK, &labels, &message), "true");
  EXPECT_EQ(labels, (std::vector<std::string>{"OK", "Cancel"}));
  EXPECT_EQ(message, "Delete <all>?");
  EXPECT_EQ(answer(evaluateLater("return confirm('again')"), GTK_RESPONSE_CANCEL, nullptr), "false");
  EXPECT_EQ(answer(evaluateLater("return confirm('closed')"), GTK_RESPONSE_DELETE_EVENT, nullptr), "false");

  // No real devices under a virtual display: the engine's stand-in devices.
  webkit_settings_set_enable_mock_capture_devices(webkit_web_view_get_settings(delegate_->webView()), TRUE);
  webkit_web_view_load_uri(delegate_->webView(), server_.url("/host").c_str());
  ASSERT_TRUE(waitForPage(server_.url("/host")));
  EXPECT_EQ(evaluate("for (let i = 0; i < 1000 && !window.answer; i++) await new Promise(r => setTimeout(r, 10));"
                     " return window.answer"),
            "\"granted 2\"");
}

TEST_F(Panels, FileChooserFollowsTheInputAndHandsTheChoiceToThePage) {
  testing_support::writeFile(temp_ / "picked/notes.txt", "n");
  open();
  const struct {
    const char* input;
    bool multiple;
    GtkFileChooserAction action;
    const char* pick;  // nothing: cancelled
    const char* pageSees;
  } rows[] = {
      {"one", false, GTK_FILE_CHOOSER_ACTION_OPEN, "picked/notes.txt", "\"notes.txt\""},
      {"many", true, GTK_FILE_CHOOSER_ACTION_OPEN, "picked/notes.txt", "\"notes.txt\""},
      {"folder", false, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "picked", "\"picked\""},
      {"one", false, GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, "\"\""},
  };
  for (const auto& row : rows) {
    auto script = evaluateLater(std::string("const input = document.getElementById('") + row.input + "'); input.value = '';"
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
