// The wizard's own controls in a real window: NiceButton, NiceTextField and
// the blobs' animation.
#include "frontend/views/liquid.hpp"
#include "frontend/views/nice_button.hpp"
#include "frontend/views/nice_text_field.hpp"
#include "views_fixture.hpp"

namespace {

using namespace views_testing;

class NiceButtonTest : public ViewsTest {
 protected:
  void SetUp() override {
    ViewsTest::SetUp();
    if (IsSkipped()) return;
    actions = platform::adoptGRef(g_simple_action_group_new());
    auto action = platform::adoptGRef(g_simple_action_new("press", nullptr));
    g_signal_connect(action.get(), "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer count) {
                       ++*static_cast<int*>(count);
                     }),
                     &presses);
    g_action_map_add_action(G_ACTION_MAP(actions.get()), G_ACTION(action.get()));
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
    gtk_widget_add_css_class(column, "dark-test-backdrop");
    gtk_widget_insert_action_group(column, "test", G_ACTION_GROUP(actions.get()));
    plain = nimbrel_nice_button_new("Plain", "star.fill", false, true, "test.press");
    prominent = nimbrel_nice_button_new("Prominent", "arrow.right", true, true, "test.press");
    gtk_box_append(GTK_BOX(column), plain);
    gtk_box_append(GTK_BOX(column), prominent);
    show(column);
  }
  static NimbrelNiceButton* button(GtkWidget* w) { return NIMBREL_NICE_BUTTON(w); }

  platform::GRef<GSimpleActionGroup> actions;
  int presses = 0;
  GtkWidget* plain = nullptr;
  GtkWidget* prominent = nullptr;
};

TEST_F(NiceButtonTest, HiddenKeepsItsPlaceAndTakesNoClickHoverOrFocus) {
  graphene_rect_t shown, hidden, below;
  ASSERT_TRUE(gtk_widget_compute_bounds(plain, GTK_WIDGET(window), &shown));
  GtkWidget* face = nimbrel_nice_button_get_face(button(plain));
  nimbrel_nice_button_set_is_visible(button(plain), false);
  settle(3);
  ASSERT_TRUE(gtk_widget_compute_bounds(plain, GTK_WIDGET(window), &hidden));
  ASSERT_TRUE(gtk_widget_compute_bounds(prominent, GTK_WIDGET(window), &below));
  EXPECT_TRUE(graphene_rect_equal(&shown, &hidden));
  EXPECT_GT(below.origin.y, hidden.origin.y + hidden.size.height);

  clickAt(plain);
  settle(5);
  EXPECT_EQ(presses, 0);
  EXPECT_FALSE(nimbrel_nice_button_get_is_hover(button(plain)));
  EXPECT_FALSE(gtk_widget_grab_focus(face));

  // Shown again, the very same widget answers.
  nimbrel_nice_button_set_is_visible(button(plain), true);
  EXPECT_EQ(nimbrel_nice_button_get_face(button(plain)), face);
  clickAt(plain);
  EXPECT_TRUE(runUntil([&] { return presses == 1; }));
}

TEST_F(NiceButtonTest, HoverGrowsTheButtonWithASpringAndReturns) {
  GtkWidget* face = nimbrel_nice_button_get_face(button(plain));
  const float width = float(gtk_widget_get_width(plain));
  pointerTo(plain);
  ASSERT_TRUE(runUntil([&] { return nimbrel_nice_button_get_is_hover(button(plain)); }));
  double first = 0, largest = 0;
  ASSERT_TRUE(runUntil([&] {
    double scale = nimbrel_nice_button_get_scale(button(plain));
    if (first == 0 && scale > 1.0) first = scale;
    largest = std::max(largest, scale);
    return std::abs(scale - 1.03) < 1e-4;
  }));
  EXPECT_LT(first, 1.029) << "grows over several frames, not at once";
  EXPECT_LT(largest, 1.032) << "a damped spring barely overshoots";
  graphene_rect_t drawn;
  ASSERT_TRUE(gtk_widget_compute_bounds(face, plain, &drawn));
  EXPECT_NEAR(drawn.size.width / width, 1.03, 0.003);
  EXPECT_EQ(gtk_widget_get_width(plain), int(width)) << "the layout around it does not move";

  pointerAway();
  EXPECT_TRUE(runUntil([&] { return std::abs(nimbrel_nice_button_get_scale(button(plain)) - 1.0) < 1e-4; }));
}

TEST_F(ViewsTest, TextFieldShowsAWhiteCaretAndNoPlaceholder) {
  g_object_set(gtk_settings_get_default(), "gtk-cursor-blink", FALSE, nullptr);
  GtkWidget* field = nimbrel_nice_text_field_new("Website");
  gtk_widget_add_css_class(field, "dark-test-backdrop");
  show(field);
  GtkEntry* entry = nimbrel_nice_text_field_get_entry(NIMBREL_NICE_TEXT_FIELD(field));
  ASSERT_TRUE(gtk_widget_grab_focus(GTK_WIDGET(entry)));
  settle(5);
  EXPECT_EQ(gtk_entry_get_placeholder_text(entry), nullptr);
  EXPECT_TRUE(gtk_entry_get_input_hints(entry) & GTK_INPUT_HINT_NO_SPELLCHECK);
  // The field is empty, so the only white inside its outline is the caret.
  auto texture = captureWidget(GTK_WIDGET(window));
  graphene_rect_t box;
  ASSERT_TRUE(texture && gtk_widget_compute_bounds(GTK_WIDGET(entry), GTK_WIDGET(window), &box));
  int whiteColumns = 0;
  for (int x = int(box.origin.x) + 6; x < int(box.origin.x + box.size.width) - 6; ++x) {
    auto p = pixel(texture.get(), x, int(box.origin.y + box.size.height / 2));
    whiteColumns += p[0] > 230 && p[1] > 230 && p[2] > 230;
  }
  EXPECT_TRUE(whiteColumns >= 1 && whiteColumns <= 3) << whiteColumns;
}

TEST_F(ViewsTest, BlobMovesOnlyWhileShownAndResumesWhereItStopped) {
  GtkWidget* liquid = nimbrel_liquid_new(8, 6, 200, 150);
  show(liquid);
  ASSERT_TRUE(nimbrel_liquid_is_animating(NIMBREL_LIQUID(liquid)));
  auto radians = [&] { return nimbrel_liquid_get_radians(NIMBREL_LIQUID(liquid)); };
  auto start = radians();
  ASSERT_TRUE(runUntil([&] { return radians() != start; }));

  gtk_widget_set_visible(GTK_WIDGET(window), false);
  EXPECT_FALSE(nimbrel_liquid_is_animating(NIMBREL_LIQUID(liquid)));
  auto stopped = radians();
  settle(10);
  EXPECT_EQ(radians(), stopped);

  gtk_window_present(window);
  EXPECT_TRUE(runUntil([&] { return nimbrel_liquid_is_animating(NIMBREL_LIQUID(liquid)) && radians() != stopped; }));
}

}  // namespace
