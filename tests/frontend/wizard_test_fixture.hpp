#pragma once
// A wizard over fake services, with helpers that walk it the way a user would.

#include <gtest/gtest.h>

#include <memory>

#include "frontend/wizard_model.hpp"
#include "platform/dispatch.hpp"
#include "wizard_fakes.hpp"

namespace wizard_testing {

using Pixel = std::array<int, 4>;

class WizardTest : public testing::Test {
 protected:
  WizardTest() {
    services.images.emplace("DefaultIcon", filledImage(16, 16, platform::Color::white()));
    // The "gmail" glyph: an opaque 10 × 10 square in the middle of 20 × 20.
    auto glyph = *platform::Image::create(20, 20);
    cairo_t* cr = cairo_create(glyph.surface());
    cairo_rectangle(cr, 5, 5, 10, 10);
    cairo_fill(cr);
    cairo_destroy(cr);
    services.images.emplace("gmail", glyph);
    model = std::make_unique<frontend::WizardModel>(services);
  }

  // Everything posted to the main queue so far has run.
  static void drainMainQueue() {
    bool done = false;
    platform::postToMain([&] { done = true; });
    platform::runMainLoopUntil([&] { return done; });
  }
  void toSave() {
    model->editUrl("example.org");
    model->submitUrl();
    model->editName("My App");
    model->nameNext();
    model->iconNext();
  }
  void chooseFolder(const std::filesystem::path& folder) {
    ASSERT_TRUE(services.folderChosen);
    services.folderChosen({folder});
  }
  void startBuildInto(const std::filesystem::path& folder) {
    model->startCreate();
    chooseFolder(folder);
  }

  FakeWizardServices services;
  std::unique_ptr<frontend::WizardModel> model;
};

}  // namespace wizard_testing
