#include "runtime/rendering.hpp"

#include <fcntl.h>
#include <malloc.h>
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
  // Without GL in GTK the web view would warn that it cannot use it; it is
  // told first that it composites without.
  if (const char* debug = std::getenv("GDK_DEBUG"); !debug || !*debug) setenv("GDK_DEBUG", "gl-disable", 1);
  setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
  return true;
}

void keepFrameBuffersAllocated() {
  // Buffers up to 16 MiB (a window of four million pixels) come from the
  // heap, and up to 32 MiB of free heap, a frame's worth, stays with the
  // process instead of going back after each frame.
  mallopt(M_MMAP_THRESHOLD, 16 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
}

}  // namespace runlet
