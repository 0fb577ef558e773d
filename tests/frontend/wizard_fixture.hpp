#pragma once
// A wizard over fake services that record every request and keep the
// callbacks, so a test answers exactly when and how it wants.

#include <cairo.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "frontend/wizard_images.hpp"
#include "frontend/wizard_model.hpp"
#include "frontend/wizard_platform_services.hpp"
#include "frontend/wizard_services.hpp"
#include "platform/dispatch.hpp"
#include "tests/support/main_queue.hpp"

namespace wizard_testing {

// A clear width × height image with `color` painted over `area` (all of it by default).
inline platform::Image filledImage(int width, int height, platform::Color color, std::array<int, 4> area = {}) {
  auto image = *platform::Image::create(width, height);
  cairo_t* cr = cairo_create(image.surface());
  cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
  if (area[2] > 0) cairo_rectangle(cr, area[0], area[1], area[2], area[3]);
  area[2] > 0 ? cairo_fill(cr) : cairo_paint(cr);
  cairo_destroy(cr);
  return image;
}

// File checks (fileExists, isInside) are the real ones, so they meet the
// paths the builder writes; everything else is recorded.
struct FakeWizardServices : frontend::PlatformWizardServices {
  // Settings no fake reads: the fake answers the signing questions itself.
  inline static frontend::SigningSettings unused{platform::UserDefaults("wizard.tests.unused")};
  FakeWizardServices() : PlatformWizardServices(unused) {
    images.emplace("DefaultIcon", filledImage(16, 16, platform::Color::white()));
    // The "gmail" glyph: an opaque 10 × 10 square in the middle of 20 × 20.
    images.emplace("gmail", filledImage(20, 20, platform::Color::black(), {5, 5, 10, 10}));
  }

  std::map<std::string, platform::Image> images;
  builder::SigningMode mode = builder::SigningMode::adhoc();
  bool titleBar = true;

  std::vector<builder::AppGenerator> requests;
  builder::ProgressCallback progress;
  builder::CompletionCallback completion;
  std::function<void(std::optional<platform::Image>)> iconAnswer;
  int folderPanels = 0;
  std::function<void(std::vector<std::filesystem::path>)> folderChosen;
  std::vector<frontend::AlertRequest> alerts;
  std::function<void(std::size_t)> alertClosed;

  void generate(const builder::AppGenerator& request, const std::filesystem::path&,
                builder::ProgressCallback onProgress, builder::CompletionCallback onCompletion) override {
    requests.push_back(request);
    progress = std::move(onProgress);
    completion = std::move(onCompletion);
  }
  void fetchWebsiteIcon(const std::string&, std::function<void(std::optional<platform::Image>)> f) override {
    iconAnswer = std::move(f);
  }
  void chooseFolder(std::function<void(std::vector<std::filesystem::path>)> chosen) override {
    ++folderPanels;
    folderChosen = std::move(chosen);
  }
  void showAlert(const frontend::AlertRequest& alert, std::function<void(std::size_t)> closed) override {
    alerts.push_back(alert);
    alertClosed = std::move(closed);
  }
  void openApp(const std::filesystem::path&) override {}
  void reveal(const std::filesystem::path&) override {}
  std::optional<platform::Image> imageNamed(const std::string& name) override {
    auto it = images.find(name);
    return it == images.end() ? std::nullopt : std::optional(it->second);
  }
  builder::SigningMode signingMode() override { return mode; }
  bool showTitleBar() override { return titleBar; }
};

// Walks the wizard the way a user would.
class WizardTest : public testing::Test {
 protected:
  WizardTest() : model(std::make_unique<frontend::WizardModel>(services)) {}

  static void drainMainQueue() { testing_support::drainMainQueue(); }
  void toSave(const char* url = "example.org") {
    model->editUrl(url);
    model->submitUrl();
    model->editName("My App");
    model->nameNext();
    model->iconNext();
  }
  void chooseFolder(const std::filesystem::path& folder) {
    ASSERT_TRUE(services.folderChosen);
    services.folderChosen({folder});
  }
  void startBuildInto(const std::filesystem::path& folder) { model->startCreate(), chooseFolder(folder); }

  FakeWizardServices services;
  std::unique_ptr<frontend::WizardModel> model;
};

}  // namespace wizard_testing
