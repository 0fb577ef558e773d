#pragma once
// The wizard's services on a GTK desktop: the toolkit-free ones, plus a
// folder chooser and modal alerts over the wizard's window, launching a
// finished app through its launcher and showing it in the file manager.

#include <gtk/gtk.h>

#include "frontend/wizard_platform_services.hpp"
#include "platform/gobject_ptr.hpp"

namespace views {

class GtkWizardServices : public frontend::PlatformWizardServices {
 public:
  // Dialogs are attached to the window `host` is shown in; `cancellable` is
  // the window's (see PlatformWizardServices).
  GtkWizardServices(GtkWidget* host, frontend::SigningSettings& settings, IconFetcher fetchIcon = {},
                    GCancellable* cancellable = nullptr);

  void chooseFolder(std::function<void(std::vector<std::filesystem::path>)> chosen) override;
  void showAlert(const frontend::AlertRequest& alert, std::function<void(std::size_t button)> closed) override;
  void openApp(const std::filesystem::path& app) override;
  void reveal(const std::filesystem::path& path) override;

 private:
  GtkWindow* window() const;
  platform::WeakRef<GtkWidget> host_;
};

// The launcher a registered app bundle was given, when there is one for exactly this bundle.
platform::GRef<GAppInfo> launcherForBundle(const std::filesystem::path& app);

}  // namespace views
