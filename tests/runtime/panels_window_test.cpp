// Alerts, confirmations, file choosers and camera requests from pages, and
// what the app hands to the desktop, in a real window.
#include <gtest/gtest.h>

#include "tests/runtime/runlet_harness.hpp"

namespace runlet_test {
namespace {

namespace plist = platform::plist;

plist::Dictionary remote(const std::string& url) { return {{"name", "Panels"}, {"type", "url"}, {"url", url}}; }

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
    launch(remote(server_.url("/")));
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

TEST_F(Panels, AlertWithAnEmptyMessageReturnsAfterOK) {
  open();
  std::vector<std::string> labels;
  std::string message = "unset";
  EXPECT_EQ(answer(evaluateLater("alert(''); return 'returned'"), GTK_RESPONSE_OK, &labels, &message), "\"returned\"");
  EXPECT_EQ(labels, std::vector<std::string>{"OK"});
  EXPECT_EQ(message, "");
}

TEST_F(Panels, ConfirmIsTrueForOKAndFalseOtherwise) {
  open();
  std::vector<std::string> labels;
  std::string message;
  EXPECT_EQ(answer(evaluateLater("return confirm('Delete <all>?')"), GTK_RESPONSE_OK, &labels, &message), "true");
  EXPECT_EQ(labels, (std::vector<std::string>{"OK", "Cancel"}));
  EXPECT_EQ(message, "Delete <all>?");
  EXPECT_EQ(answer(evaluateLater("return confirm('again')"), GTK_RESPONSE_CANCEL, nullptr), "false");
  EXPECT_EQ(answer(evaluateLater("return confirm('closed')"), GTK_RESPONSE_DELETE_EVENT, nullptr), "false");
}

struct ChooserCase {
  const char* input;
  bool multiple;
  GtkFileChooserAction action;
  const char* pageSees;
};

class FileChooser : public Panels, public ::testing::WithParamInterface<ChooserCase> {};

TEST_P(FileChooser, FollowsTheInputAndHandsTheChoiceToThePage) {
  testing_support::writeFile(temp_ / "picked/notes.txt", "n");
  open();
  auto script = evaluateLater(std::string("const input = document.getElementById('") + GetParam().input + "');"
                              "const changed = new Promise(r => input.addEventListener('change', r));"
                              "input.click(); await changed;"
                              "return Array.from(input.files).map(f => f.name).join(',')");
  GtkWindow* chooser = waitForPanel(GTK_TYPE_FILE_CHOOSER_DIALOG);
  ASSERT_TRUE(chooser);
  EXPECT_EQ(gtk_file_chooser_get_select_multiple(GTK_FILE_CHOOSER(chooser)), GetParam().multiple);
  EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(chooser)), GetParam().action);
  bool folder = GetParam().action == GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
  auto pick = platform::adoptGRef(g_file_new_for_path((temp_ / (folder ? "picked" : "picked/notes.txt")).c_str()));
  ASSERT_TRUE(gtk_file_chooser_set_file(GTK_FILE_CHOOSER(chooser), pick.get(), nullptr));
  // The chooser selects once it has read the folder.
  ASSERT_TRUE(waitUntil([&] {
    auto chosen = platform::adoptGRef(gtk_file_chooser_get_file(GTK_FILE_CHOOSER(chooser)));
    return chosen && g_file_equal(chosen.get(), pick.get());
  }));
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  EXPECT_EQ(finish(script), GetParam().pageSees);
}

INSTANTIATE_TEST_SUITE_P(Inputs, FileChooser,
                         ::testing::Values(ChooserCase{"one", false, GTK_FILE_CHOOSER_ACTION_OPEN, "\"notes.txt\""},
                                           ChooserCase{"many", true, GTK_FILE_CHOOSER_ACTION_OPEN, "\"notes.txt\""},
                                           ChooserCase{"folder", false, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
                                                       "\"picked\""}),
                         [](const ::testing::TestParamInfo<ChooserCase>& info) { return std::string(info.param.input); });

TEST_F(Panels, ACancelledChooserLeavesTheInputEmpty) {
  open();
  auto script = evaluateLater("const input = document.getElementById('one');"
                              "const cancelled = new Promise(r => input.addEventListener('cancel', r));"
                              "input.click(); await cancelled; return input.files.length");
  GtkWindow* chooser = waitForPanel(GTK_TYPE_FILE_CHOOSER_DIALOG);
  ASSERT_TRUE(chooser);
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
  EXPECT_EQ(finish(script), "0");
}

TEST_F(Panels, CameraAndMicrophoneAreGrantedToACrossOriginFrame) {
  // Same server, another origin: "localhost" instead of the address.
  std::string frame = server_.url("/camera");
  frame.replace(frame.find("127.0.0.1"), 9, "localhost");
  server_.page("/camera", "<script>navigator.mediaDevices.getUserMedia({video: true, audio: true})"
                          ".then(s => parent.postMessage('granted ' + s.getTracks().length, '*'),"
                          "      e => parent.postMessage('refused ' + e.name, '*'))</script>");
  server_.page("/host", "<script>addEventListener('message', e => window.answer = e.data)</script>"
                        "<iframe allow='camera; microphone' src='" + frame + "'></iframe>");
  launch(remote(server_.url("/")));
  // No real devices under a virtual display: the engine's stand-in devices.
  webkit_settings_set_enable_mock_capture_devices(webkit_web_view_get_settings(delegate_->webView()), TRUE);
  webkit_web_view_load_uri(delegate_->webView(), server_.url("/host").c_str());
  ASSERT_TRUE(waitForPage(server_.url("/host")));
  EXPECT_EQ(evaluate("for (let i = 0; i < 1000 && !window.answer; i++) await new Promise(r => setTimeout(r, 10));"
                     " return window.answer"),
            "\"granted 2\"");
}

}  // namespace
}  // namespace runlet_test
