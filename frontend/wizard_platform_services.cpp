#include "frontend/wizard_platform_services.hpp"

#include "builder/icon_set.hpp"

#include "frontend/wizard_images.hpp"
#include "iconsource/website_icon_fetcher.hpp"

namespace frontend {

PlatformWizardServices::PlatformWizardServices(SigningSettings& settings, IconFetcher fetchIcon,
                                               GCancellable* cancellable)
    : settings_(settings),
      fetchIcon_(std::move(fetchIcon)),
      cancellable_(platform::GRef<GCancellable>::retain(cancellable)) {}

void PlatformWizardServices::generate(const builder::AppGenerator& request, const std::filesystem::path& folder,
                                      builder::ProgressCallback progress, builder::CompletionCallback completion) {
  request.generate(folder, std::move(progress), std::move(completion), cancellable_.get());
}

void PlatformWizardServices::fetchWebsiteIcon(const std::string& text,
                                              std::function<void(std::optional<platform::Image>)> completion) {
  if (fetchIcon_) return fetchIcon_(text, std::move(completion));
  iconsource::fetchWebsiteIcon(text, std::move(completion), cancellable_.get());
}

bool PlatformWizardServices::fileExists(const std::filesystem::path& path) {
  // A dangling link is "something at that path" as well.
  std::error_code error;
  return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found && !error;
}

bool PlatformWizardServices::isInside(const std::filesystem::path& a, const std::filesystem::path& b) {
  return builder::isInside(a, b);
}

std::optional<platform::Image> PlatformWizardServices::imageNamed(const std::string& name) {
  return resourceImageNamed(name);
}

// Same result as the builder's icon resizing: a bitmap of exactly that many
// pixels, the picture stretched into it.
std::optional<platform::Image> PlatformWizardServices::resized(const platform::Image& image, int width, int height) {
  return builder::resized(image, width, height);
}

}  // namespace frontend
