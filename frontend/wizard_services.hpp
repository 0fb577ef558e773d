#pragma once
// Everything the wizard asks of the world outside its own state. The GTK views
// supply the dialogs and the file manager; tests supply fakes. Every callback
// is delivered on the main thread, some time after the call.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder/app_generator.hpp"
#include "platform/image.hpp"

namespace frontend {

struct AlertRequest {
  std::string message;
  std::string informativeText;
  std::vector<std::string> buttons;  // the first is the default
  bool operator==(const AlertRequest&) const = default;
};

class WizardServices {
 public:
  virtual ~WizardServices() = default;

  // Starts a build of `request` into `folder` (the builder's generate).
  virtual void generate(const builder::AppGenerator& request, const std::filesystem::path& folder,
                        builder::ProgressCallback progress, builder::CompletionCallback completion) = 0;
  // The website's own icon for the text as typed; exactly one answer.
  virtual void fetchWebsiteIcon(const std::string& text,
                                std::function<void(std::optional<platform::Image>)> completion) = 0;
  // A folder panel (one folder, may create folders); `chosen` runs only when
  // the user confirms.
  virtual void chooseFolder(std::function<void(std::vector<std::filesystem::path>)> chosen) = 0;
  // A warning alert, modal over the wizard; `closed` gets the index of the
  // button pressed.
  virtual void showAlert(const AlertRequest& alert, std::function<void(std::size_t button)> closed) = 0;

  virtual bool fileExists(const std::filesystem::path& path) = 0;
  // Whether folder `a` is folder `b` or lies below it.
  virtual bool isInside(const std::filesystem::path& a, const std::filesystem::path& b) = 0;
  // Launches a finished app / shows it selected in the file manager.
  virtual void openApp(const std::filesystem::path& app) = 0;
  virtual void reveal(const std::filesystem::path& path) = 0;

  // Nimbrel's own images by name ("DefaultIcon", the glyphs).
  virtual std::optional<platform::Image> imageNamed(const std::string& name) = 0;
  // Redraws an image at exactly that many pixels; may give nothing.
  virtual std::optional<platform::Image> resized(const platform::Image& image, int width, int height) = 0;

  // The signing and window-style settings, read when a build starts.
  virtual builder::SigningMode signingMode() = 0;
  virtual bool showTitleBar() = 0;
  virtual bool useDeveloperID() = 0;
  virtual bool notarize() = 0;
};

}  // namespace frontend
