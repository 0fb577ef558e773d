#include <gtest/gtest.h>

#include "frontend/views/gear_accessory_controller.hpp"
#include "frontend/views/mailing_list_prompt_presenter.hpp"
#include "frontend/views/settings_titlebar_button.hpp"
#include "frontend/views/views_init.hpp"
#include "platform/gobject_ptr.hpp"
#include "tests/frontend/mailing_list_fixture.hpp"
#include "tests/views/views_fixture.hpp"

namespace {

using frontend::MailingListManager;
using views_testing::find;
using views_testing::findOne;

// Real windows with Nimbrel's own look, each destroyed after its test.
void setUpViews() {
  if (!views_testing::hasX11Display()) GTEST_SKIP() << "needs an X11 display and xdotool";
  nimbrel_views_init();
}
void settle() { views_testing::settle(3); }

class GearTest : public ::testing::Test {
 protected:
  void SetUp() override { setUpViews(); }
  void TearDown() override { views_testing::destroyToplevels(); }
};

// The settings journey opens the sheet with the gear.
TEST_F(GearTest, OneGearPerWindowHoweverOftenItsInstallerIsCreated) {
  GtkWidget* window = gtk_window_new();
  gtk_window_set_titlebar(GTK_WINDOW(window), gtk_header_bar_new());
  GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_window_set_child(GTK_WINDOW(window), content);
  gtk_window_present(GTK_WINDOW(window));
  for (int i = 0; i < 3; ++i) {
    gtk_box_append(GTK_BOX(content), nimbrel_settings_titlebar_button_new());
    settle();
  }
  EXPECT_EQ(find(window, [](GtkWidget* w) { return NIMBREL_IS_GEAR_ACCESSORY_CONTROLLER(w); }).size(), 1u);
}

// The prompt over a real window, on the fixture's hand-fired timer, with the
// maker's site on a loopback port answering `status`.
class PromptTest : public mailing_list_testing::MakerSiteTest {
 protected:
  std::unique_ptr<MailingListManager> manager;
  std::unique_ptr<MailingListPromptPresenter> presenter;

  void SetUp() override {
    setUpViews();
    if (!IsSkipped()) MakerSiteTest::SetUp();
  }
  void TearDown() override {
    presenter.reset();
    views_testing::destroyToplevels();
  }
  GtkWidget* prompt() const { return presenter->prompt(); }
  const char* page() const {
    return gtk_stack_get_visible_child_name(GTK_STACK(findOne(prompt(), [](GtkWidget* w) { return GTK_IS_STACK(w); })));
  }
};

TEST_F(PromptTest, ReturnSubmitsAndTheAnswerDecidesWhatFollows) {
  manager = makeManager();
  GtkWidget* window = gtk_window_new();
  GtkWidget* content = gtk_label_new("wizard");
  gtk_window_set_child(GTK_WINDOW(window), content);
  presenter = std::make_unique<MailingListPromptPresenter>(content, *manager, [] {});
  gtk_window_present(GTK_WINDOW(window));
  settle();
  manager->present(true);
  ASSERT_NE(prompt(), nullptr);
  GtkWidget* entry = findOne(prompt(), [](GtkWidget* w) { return GTK_IS_ENTRY(w); });
  ASSERT_TRUE(views_testing::runUntil([&] { return gtk_window_is_active(GTK_WINDOW(prompt())); }))
      << "the prompt never got the keyboard";
  auto pressReturn = [] { EXPECT_TRUE(views_testing::xdotool({"key", "--clearmodifiers", "Return"})); };
  pressReturn();
  settle();
  EXPECT_TRUE(requests().empty()) << "Return does nothing while the address is empty";

  gtk_editable_set_text(GTK_EDITABLE(entry), "reader@example.org");
  int answers = 0;
  auto answered = manager->observe([&] {
    if (manager->status().kind != frontend::SubmitStatus::Kind::submitting) ++answers;
  });
  // A second Return after a failure must submit again.
  const std::tuple<int, const char*, const char*> cases[] = {
      {422, "form", "Please check your email address and try again."},
      {500, "form", "Server returned 500. Please try again later."},
      {409, "success", nullptr},
  };
  for (const auto& [answer, shownPage, message] : cases) {
    status = answer;
    int before = answers;
    pressReturn();
    ASSERT_TRUE(views_testing::runUntil([&] { return answers > before; })) << answer;
    settle();
    EXPECT_STREQ(page(), shownPage) << answer;
    if (!message) continue;
    GtkWidget* failure = findOne(
        prompt(), [](GtkWidget* w) { return GTK_IS_LABEL(w) && gtk_widget_has_css_class(w, "failure-message"); });
    EXPECT_TRUE(gtk_widget_get_visible(failure));
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(failure)), message);
  }
  EXPECT_EQ(requests().size(), 3u);

  // The thank-you closes itself after a while; the next prompt starts afresh.
  ASSERT_EQ(timer.calls.size(), 2u) << "the launch's own check, then the thank-you's";
  EXPECT_EQ(timer.calls[1]->seconds, 3.5);
  timer.fireAll();
  settle();
  EXPECT_EQ(prompt(), nullptr);
  EXPECT_FALSE(manager->isPresented());
  EXPECT_EQ(manager->status(), frontend::SubmitStatus::idle());
  EXPECT_TRUE(manager->isOptedOut());
}

}  // namespace
