#pragma once
// The desktop's services a program hands work to: opening a URL with its
// default handler, showing a file in the file manager, the alert sound.
// None of them blocks or reports failure; the desktop may lack any of them.

#include <filesystem>
#include <string>

namespace platform {

class Workspace {
 public:
  virtual ~Workspace() = default;

  // Hands the URL to the handler the desktop registered for its scheme.
  virtual void openURL(const std::string& uri) = 0;
  // Opens a file-manager window with the file selected
  // (org.freedesktop.FileManager1.ShowItems), else opens its folder.
  virtual void revealFile(const std::filesystem::path& path) = 0;
  virtual void alertSound() = 0;

  // The running desktop's services.
  static Workspace& shared();
};

}  // namespace platform
