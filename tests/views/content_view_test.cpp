// The wizard's screens over its model in a real window: what the toolbar
// shows where, the ready-made apps grid under the pointer and the keyboard,
// layout that depends on the mode, and the drop targets.
#include "frontend/views/drop_values.hpp"
#include "frontend/wizard_fixture.hpp"
#include "support/temp_dir.hpp"
#include "views_fixture.hpp"

namespace {

using namespace views_testing;

class ContentViewTest : public ViewsTest {
 protected:
  void SetUp() override {
    ViewsTest::SetUp();
    if (IsSkipped()) return;
    auto w = makeWizardWindow([this](GtkWidget*) {
      auto fake = std::make_unique<wizard_testing::FakeWizardServices>();
      services = fake.get();
      return fake;
    });
    window = w.window;
    view = w.view;
    model = &nimbrel_content_view_get_model(view);
    runUntil([&] { return gtk_widget_get_mapped(GTK_WIDGET(view)); });
    settle(3);
  }
  GtkWidget* shownScreen() { return gtk_stack_get_visible_child(GTK_STACK(gtk_widget_get_first_child(GTK_WIDGET(view)))); }
  GtkWidget* named(const char* name) { return findNamed(shownScreen(), name); }
  GtkFlowBoxChild* tile(int index) {
    return gtk_flow_box_get_child_at_index(GTK_FLOW_BOX(named("favorites-grid")), index);
  }
  void toIconScreen(const char* url, const char* name) {
    model->editUrl(url);
    model->continueToName();
    model->editName(name);
    model->nameNext();
    settle(3);
  }

  wizard_testing::FakeWizardServices* services = nullptr;
  NimbrelContentView* view = nullptr;
  frontend::WizardModel* model = nullptr;
};

TEST_F(ContentViewTest, BackAndConfigureAreShownExactlyWhereTheyWork) {
  GtkWidget* back = nimbrel_content_view_get_back_item(view);
  GtkWidget* configure = nimbrel_content_view_get_configure_item(view);
  struct Row {
    const char* step;
    std::function<void()> act;
    int screen;
    bool backShown, configureShown;
  };
  const Row rows[] = {
      {"start", [] {}, 0, false, false},
      {"continue", [&] { model->editUrl("example.org"), model->continueToName(); }, 1, true, false},
      {"favourites", [&] { model->previousScreen(), model->showFavorites(); }, 4, true, false},
      {"a tile selected", [&] { model->selectFavorite(0); }, 4, true, true},
      {"selection cleared", [&] { model->clearFavoriteSelection(); }, 4, true, false},
      {"configure", [&] { model->selectFavorite(2), model->configureFavorite(); }, 3, true, false},
  };
  for (const Row& row : rows) {
    row.act();
    settle(2);
    EXPECT_EQ(model->selectedView(), row.screen) << row.step;
    EXPECT_EQ(shownScreen(), nimbrel_content_view_get_screen(view, row.screen)) << row.step;
    for (auto [item, shown] : {std::pair{back, row.backShown}, {configure, row.configureShown}}) {
      EXPECT_EQ(gtk_widget_get_opacity(item), shown ? 1.0 : 0.0) << row.step;
      EXPECT_EQ(gtk_widget_get_can_target(item), shown) << row.step;
      EXPECT_GT(gtk_widget_get_width(item), 0) << row.step << ": keeps its place";
    }
  }
  // The real pointer on the real item: back to the ready-made apps, then to the start.
  for (int screen : {4, 0}) {
    clickAt(back);
    EXPECT_TRUE(runUntil([&] { return model->selectedView() == screen; }));
  }
  clickAt(back);
  settle(5);
  EXPECT_EQ(model->selectedView(), 0) << "hidden Back takes no click";
}

TEST_F(ContentViewTest, ReadyMadeAppsAnswerClicksDoubleClicksAndTheKeyboard) {
  model->showFavorites();
  settle(3);
  clickAt(GTK_WIDGET(tile(7)));
  ASSERT_TRUE(runUntil([&] { return model->isFavoriteSelected(7); }));
  EXPECT_EQ(model->inputName(), "Gmail");
  EXPECT_EQ(model->selectedView(), 4);
  EXPECT_TRUE(gtk_widget_has_css_class(gtk_flow_box_child_get_child(tile(7)), "selected"));

  // Between two tiles is beside them.
  graphene_rect_t first;
  ASSERT_TRUE(gtk_widget_compute_bounds(GTK_WIDGET(tile(0)), GTK_WIDGET(window), &first));
  clickAt(GTK_WIDGET(tile(0)), 1, first.size.width + 8, first.size.height / 2);
  ASSERT_TRUE(runUntil([&] { return model->selectedFavorite().empty(); }));
  EXPECT_FALSE(gtk_widget_has_css_class(gtk_flow_box_child_get_child(tile(7)), "selected"));

  clickAt(GTK_WIDGET(tile(7)), 2);  // soon after the click beside the tiles, which GTK alone sometimes misses
  ASSERT_TRUE(runUntil([&] { return model->selectedView() == 3; }));
  EXPECT_EQ(model->preselectedBack(), 4);

  // From the keyboard: arrows select, Return uses.
  model->previousScreen();
  settle(25);  // past the double-click time
  clickAt(GTK_WIDGET(tile(6)));
  ASSERT_TRUE(runUntil([&] { return model->isFavoriteSelected(6); }));
  xdotool({"key", "Right"});
  ASSERT_TRUE(runUntil([&] { return model->isFavoriteSelected(7); }));
  xdotool({"key", "Return"});
  EXPECT_TRUE(runUntil([&] { return model->selectedView() == 3; }));
}

// A long address must not widen the fixed-size window.
TEST_F(ContentViewTest, TheFinishedLineIsShortenedInTheMiddle) {
  const int width = gtk_widget_get_width(GTK_WIDGET(window));
  toIconScreen("https://www.example.org/a/rather/long/path/that/does/not/fit/on/one/line/index.html", "Example");
  model->iconNext();
  model->startCreate();
  services->folderChosen({"/apps"});
  services->completion(builder::BuildResult::success("/apps/Example.app"));
  settle(3);
  ASSERT_EQ(model->selectedView(), 5);
  GtkWidget* line = named("finished-subtitle");
  EXPECT_LE(gtk_widget_get_width(line), 320);
  EXPECT_TRUE(pango_layout_is_ellipsized(gtk_label_get_layout(GTK_LABEL(line))));
  EXPECT_EQ(gtk_widget_get_width(GTK_WIDGET(window)), width) << "the window grew with the address";
}

// The value a drop target is handed for `provider`, converted as for a real drop.
GValue dropValue(GdkContentProvider* provider, GType type) {
  GdkClipboard* clipboard = gdk_display_get_clipboard(gdk_display_get_default());
  gdk_clipboard_set_content(clipboard, provider);
  struct Read {
    bool done = false;
    GValue value = G_VALUE_INIT;
  } read;
  gdk_clipboard_read_value_async(clipboard, type, G_PRIORITY_DEFAULT, nullptr,
                                 +[](GObject* source, GAsyncResult* result, gpointer data) {
                                   auto* r = static_cast<Read*>(data);
                                   if (const GValue* v =
                                           gdk_clipboard_read_value_finish(GDK_CLIPBOARD(source), result, nullptr)) {
                                     g_value_init(&r->value, G_VALUE_TYPE(v));
                                     g_value_copy(v, &r->value);
                                   }
                                   r->done = true;
                                 },
                                 &read);
  runUntil([&] { return read.done; });
  return read.value;
}

platform::GRef<GdkContentProvider> bytesProvider(const char* mime, std::string_view data) {
  platform::CPtr<GBytes> bytes(g_bytes_new(data.data(), data.size()));
  return platform::adoptGRef(gdk_content_provider_new_for_bytes(mime, bytes.get()));
}

gboolean drop(GtkWidget* widget, const GValue& value) {
  auto* target = findController<GtkDropTarget>(widget, GTK_TYPE_DROP_TARGET);
  gboolean taken = false;
  if (target) g_signal_emit_by_name(target, "drop", &value, 1.0, 1.0, &taken);
  return taken;
}

TEST_F(ContentViewTest, DropsFillTheFieldAndTheIconWellAndIgnoreWhatIsUnusable) {
  GtkWidget* field = named("website-field");
  const std::u16string mozUrl = u"https://moz.example.net\nA title";
  struct Case {
    const char* what;
    platform::GRef<GdkContentProvider> provider;
    GType type;
    std::string expected;
  } cases[] = {
      {"uri list", bytesProvider("text/uri-list", "# comment\r\n https://example.org/page \r\n"),
       views::webAddressType(), "https://example.org/page"},
      {"moz url",
       bytesProvider("text/x-moz-url", {reinterpret_cast<const char*>(mozUrl.data()), mozUrl.size() * 2}),
       views::webAddressType(), "https://moz.example.net"},
      {"text", bytesProvider("text/plain;charset=utf-8", "\n  see example.com  \n"), G_TYPE_STRING,
       "see example.com"},
  };
  for (auto& c : cases) {
    GValue value = dropValue(c.provider.get(), c.type);
    ASSERT_TRUE(G_IS_VALUE(&value)) << c.what;
    EXPECT_TRUE(drop(field, value)) << c.what;
    g_value_unset(&value);
    EXPECT_TRUE(runUntil([&] { return model->inputUrl() == c.expected; })) << c.what << ": " << model->inputUrl();
    EXPECT_EQ(gtk_editable_get_text(GTK_EDITABLE(field)), c.expected) << c.what;
  }
  EXPECT_EQ(model->selectedView(), 0) << "a drop never changes the screen";
  EXPECT_TRUE(model->urlIsValid());

  toIconScreen("example.org", "Pic");
  GtkWidget* well = named("icon-well");
  testing_support::TempDir dir;
  auto fileList = [&](const char* name, int size) {
    auto png = wizard_testing::filledImage(size, size, platform::Color::black()).pngData();
    testing_support::writeFile(dir / name, std::string(png.begin(), png.end()));
    platform::GCharPtr uri(g_filename_to_uri((dir / name).c_str(), nullptr, nullptr));
    return bytesProvider("text/uri-list", std::string(uri.get()) + "\r\n");
  };
  GValue files = dropValue(fileList("icon.png", 40).get(), GDK_TYPE_FILE_LIST);
  ASSERT_TRUE(G_IS_VALUE(&files));
  EXPECT_TRUE(drop(well, files));
  g_value_unset(&files);
  ASSERT_TRUE(runUntil([&] { return model->icon().iconIsValid(); }));
  EXPECT_EQ(model->icon().inputIcon().width(), 40);

  // From the keyboard: a picture file copied elsewhere, pasted into the focused well.
  model->icon().resetIcon();
  gdk_clipboard_set_content(gdk_display_get_clipboard(gdk_display_get_default()), fileList("other.png", 24).get());
  ASSERT_TRUE(gtk_widget_grab_focus(well));
  pointerTo(well);
  xdotool({"key", "ctrl+v"});
  ASSERT_TRUE(runUntil([&] { return model->icon().iconIsValid(); }));
  EXPECT_EQ(model->icon().inputIcon().width(), 24);
}

}  // namespace
