#include "runtime/rendering.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace runlet {

bool hasGPURenderNode(const std::filesystem::path& driFolder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(driFolder, ec)) {
    if (entry.path().filename().string().rfind("renderD", 0) != 0) continue;
    int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
  }
  return false;
}

bool chooseRenderingPath() {
  if (const char* chosen = std::getenv("GSK_RENDERER"); chosen && *chosen) {
    return std::string_view(chosen) == "cairo";
  }
  if (hasGPURenderNode()) return false;
  setenv("GSK_RENDERER", "cairo", 0);
  return true;
}

}  // namespace runlet
