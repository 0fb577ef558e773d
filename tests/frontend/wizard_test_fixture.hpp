#pragma once
// A wizard over fake services, with helpers that walk it to each screen the
// way a user would.

#include <gtest/gtest.h>

#include <memory>

#include "frontend/wizard_model.hpp"
#include "platform/dispatch.hpp"
#include "wizard_fakes.hpp"

namespace wizard_testing {

// A 20 × 20 glyph: an opaque black 10 × 10 square in the middle, clear around it.
inline platform::Image squareGlyph() {
  auto image = *platform::Image::create(20, 20);
  cairo_t* cr = cairo_create(image.surface());
  cairo_rectangle(cr, 5, 5, 10, 10);
  cairo_fill(cr);
  cairo_destroy(cr);
  return image;
}

class WizardTest : public testing::Test {
 protected:
  WizardTest() {
    services.images.emplace("DefaultIcon", filledImage(16, 16, platform::Color::white()));
    services.images.emplace("gmail", squareGlyph());
    model = std::make_unique<frontend::WizardModel>(services);
  }

  // Everything posted to the main queue so far has run.
  static void drainMainQueue() {
    bool done = false;
    platform::postToMain([&] { done = true; });
    platform::runMainLoopUntil([&] { return done; });
  }

  void toName(const std::string& url = "example.org") {
    model->editUrl(url);
    model->submitUrl();
  }
  void toIcon(const std::string& name = "My App") {
    toName();
    model->editName(name);
    model->nameNext();
  }
  void toSave() {
    toIcon();
    model->iconNext();
  }
  void chooseFolder(const std::filesystem::path& folder) {
    ASSERT_TRUE(services.folderChosen);
    services.folderChosen({folder});
  }
  // A build started from the save screen into /out, answered with success.
  void buildSucceeds(const std::filesystem::path& app = "/out/My App.app") {
    model->startCreate();
    chooseFolder("/out");
    ASSERT_TRUE(services.completion);
    services.completion(builder::BuildResult::success(app));
  }

  FakeWizardServices services;
  std::unique_ptr<frontend::WizardModel> model;
};

}  // namespace wizard_testing
