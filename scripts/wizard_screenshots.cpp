// Takes a picture of each wizard screen into the folder given on the command
// line. Builds and folder choices are answered at once by stand-ins, so the
// pictures show every screen in a plausible state.
#include <cstdio>

#include "frontend/signing_settings.hpp"
#include "frontend/views/gtk_wizard_services.hpp"
#include "frontend/views/settings_sheet.hpp"
#include "frontend/views/views_init.hpp"
#include "tests/views/window_capture.hpp"
#include "tests/views/wizard_window.hpp"

namespace {

class InstantServices final : public views::GtkWizardServices {
 public:
  using GtkWizardServices::GtkWizardServices;
  void chooseFolder(std::function<void(std::vector<std::filesystem::path>)> chosen) override {
    chosen({"/home/user/Applications"});
  }
  void generate(const builder::AppGenerator& request, const std::filesystem::path& folder, builder::ProgressCallback,
                builder::CompletionCallback completion) override {
    completion(builder::BuildResult::success(folder / (request.name + ".app")));
  }
  bool fileExists(const std::filesystem::path&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  std::filesystem::path folder = argv[1];
  gtk_init();
  nimbrel_views_init();  // the look of the app: libadwaita's style and Nimbrel's
  auto w = views_testing::makeWizardWindow([](GtkWidget* host) {
    return std::make_unique<InstantServices>(host, frontend::SigningSettings::shared());
  });
  frontend::WizardModel& model = nimbrel_content_view_get_model(w.view);
  int failures = 0;
  auto shoot = [&](const char* name, GtkWindow* window = nullptr) {
    views_testing::settle(30);
    if (!views_testing::saveWindowPNG(window ? window : w.window, folder / name)) {
      std::fprintf(stderr, "could not save %s\n", name);
      ++failures;
    }
  };
  model.editUrl("https://www.example.org");
  shoot("1-website.png");
  model.continueToName();
  model.editName("Example");
  shoot("2-name.png");
  model.nameNext();
  shoot("3-icon.png");
  model.iconNext();
  shoot("4-save.png");
  model.previousScreen();
  model.previousScreen();
  model.previousScreen();
  model.showFavorites();
  model.selectFavorite(7);
  shoot("5-ready-made-apps.png");
  model.configureFavorite();
  model.startCreate();
  shoot("6-finished.png");

  // The settings sheet over the wizard: the window that is not the wizard's.
  nimbrel_present_settings_sheet(w.window, frontend::SigningSettings::shared(), [] {});
  views_testing::settle(10);
  GListModel* toplevels = gtk_window_get_toplevels();  // GTK's own list
  for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
    auto* window = GTK_WINDOW(g_list_model_get_item(toplevels, i));
    g_object_unref(window);  // the list keeps its own reference
    if (window != w.window && gtk_widget_get_visible(GTK_WIDGET(window))) shoot("7-settings.png", window);
  }
  gtk_window_destroy(w.window);
  return failures == 0 ? 0 : 1;
}
