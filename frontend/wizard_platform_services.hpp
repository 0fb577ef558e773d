#pragma once
// The wizard's services that need no toolkit: the builder, the file system,
// Nimbrel's images and the signing settings. The GTK layer derives from this
// and adds the folder panel, the alerts and the file manager.

#include "frontend/signing_settings.hpp"
#include "frontend/wizard_services.hpp"
#include "platform/gobject_ptr.hpp"

namespace frontend {

class PlatformWizardServices : public WizardServices {
 public:
  using IconFetcher =
      std::function<void(const std::string& text, std::function<void(std::optional<platform::Image>)> completion)>;

  // `settings` must outlive the services. `fetchIcon` replaces the website
  // icon search (it must answer once, on the main thread). Cancelling
  // `cancellable` stops every build and icon search these services started.
  explicit PlatformWizardServices(SigningSettings& settings, IconFetcher fetchIcon = {},
                                  GCancellable* cancellable = nullptr);

  void generate(const builder::AppGenerator& request, const std::filesystem::path& folder,
                builder::ProgressCallback progress, builder::CompletionCallback completion) override;
  void fetchWebsiteIcon(const std::string& text,
                        std::function<void(std::optional<platform::Image>)> completion) override;
  bool fileExists(const std::filesystem::path& path) override;
  bool isInside(const std::filesystem::path& a, const std::filesystem::path& b) override;
  std::optional<platform::Image> imageNamed(const std::string& name) override;
  std::optional<platform::Image> resized(const platform::Image& image, int width, int height) override;
  builder::SigningMode signingMode() override { return settings_.signingMode(); }
  bool showTitleBar() override { return settings_.showTitleBar(); }
  bool useDeveloperID() override { return settings_.useDeveloperID(); }
  bool notarize() override { return settings_.notarize(); }

 private:
  SigningSettings& settings_;
  IconFetcher fetchIcon_;
  platform::GRef<GCancellable> cancellable_;
};

}  // namespace frontend
