#pragma once
// The update checker's dialogs, attached to the application's active window:
// "You're up to date", "A new version X is available" (whose "Download"
// opens the item's page in the browser), the failure, and the one-time
// question about automatic checks.

#include <gtk/gtk.h>

#include "frontend/appcast_updater.hpp"
#include "platform/workspace.hpp"

class UpdateDialogs final : public frontend::UpdaterUserDriver {
 public:
  UpdateDialogs(GtkApplication* application, platform::Workspace& workspace);

  void showUpToDate(const std::string& installedVersion, std::function<void()> closed) override;
  void showUpdateFound(const frontend::AppcastItem& item, std::function<void()> closed) override;
  void showCheckFailed(const std::string& message, std::function<void()> closed) override;
  void askAboutAutomaticChecks(std::function<void(std::optional<bool>)> answered) override;

 private:
  GtkWindow* parent() const;

  GtkApplication* application_;  // outlives the dialogs: it owns this object
  platform::Workspace& workspace_;
};
