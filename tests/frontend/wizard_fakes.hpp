#pragma once
// Fake services for the wizard model: they record every request and keep the
// callbacks, so a test answers exactly when and how it wants.

#include <cairo.h>

#include <map>
#include <set>

#include "builder/icon_set.hpp"
#include "frontend/wizard_images.hpp"
#include "frontend/wizard_services.hpp"

namespace wizard_testing {

inline platform::Image filledImage(int width, int height, platform::Color color) {
  auto image = *platform::Image::create(width, height);
  cairo_t* cr = cairo_create(image.surface());
  cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
  cairo_paint(cr);
  cairo_destroy(cr);
  return image;
}

// Premultiplied ARGB, 0...255 each.
inline std::array<int, 4> pixelAt(const platform::Image& image, int x, int y) {
  cairo_surface_flush(image.surface());
  auto* row = cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface());
  std::uint32_t v = reinterpret_cast<const std::uint32_t*>(row)[x];
  return {int(v >> 24), int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF)};
}

struct FakeWizardServices : frontend::WizardServices {
  std::map<std::string, platform::Image> images;
  bool resizeFails = false;
  std::set<std::filesystem::path> existingPaths;
  builder::SigningMode mode = builder::SigningMode::adhoc();
  bool titleBar = true, developerID = false, notarizeSetting = false;

  std::vector<builder::AppGenerator> requests;
  std::vector<std::filesystem::path> buildFolders, opened, revealed;
  builder::ProgressCallback progress;
  builder::CompletionCallback completion;
  std::vector<std::string> iconQueries;
  std::function<void(std::optional<platform::Image>)> iconAnswer;
  int folderPanels = 0;
  std::function<void(std::vector<std::filesystem::path>)> folderChosen;
  std::vector<frontend::AlertRequest> alerts;
  std::function<void(std::size_t)> alertClosed;

  void generate(const builder::AppGenerator& request, const std::filesystem::path& folder,
                builder::ProgressCallback onProgress, builder::CompletionCallback onCompletion) override {
    requests.push_back(request);
    buildFolders.push_back(folder);
    progress = std::move(onProgress);
    completion = std::move(onCompletion);
  }
  void fetchWebsiteIcon(const std::string& text, std::function<void(std::optional<platform::Image>)> f) override {
    iconQueries.push_back(text);
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
  bool fileExists(const std::filesystem::path& path) override { return existingPaths.count(path) > 0; }
  bool isInside(const std::filesystem::path& a, const std::filesystem::path& b) override {
    auto inner = a.lexically_normal(), outer = b.lexically_normal();
    return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
  }
  void openApp(const std::filesystem::path& app) override { opened.push_back(app); }
  void reveal(const std::filesystem::path& path) override { revealed.push_back(path); }
  std::optional<platform::Image> imageNamed(const std::string& name) override {
    auto it = images.find(name);
    return it == images.end() ? std::nullopt : std::optional(it->second);
  }
  std::optional<platform::Image> resized(const platform::Image& image, int width, int height) override {
    return resizeFails ? std::nullopt : builder::resized(image, width, height);
  }
  builder::SigningMode signingMode() override { return mode; }
  bool showTitleBar() override { return titleBar; }
  bool useDeveloperID() override { return developerID; }
  bool notarize() override { return notarizeSetting; }
};

}  // namespace wizard_testing
