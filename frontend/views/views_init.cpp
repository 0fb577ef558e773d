#include "frontend/views/views_init.hpp"

#include <adwaita.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "frontend/views/view_style.hpp"

void nimbrel_views_init() {
  static bool done = false;
  if (done) return;
  done = true;
  adw_init();
  // The style sheet and icons, once per display (the wizard's views ask for them too).
  views::ensureStyle(gdk_display_get_default());
}

void nimbrel_views_prefer_cairo_without_gpu() {
  if (std::getenv("GSK_RENDERER")) return;
  std::error_code ec;
  for (const auto& node : std::filesystem::directory_iterator("/dev/dri", ec)) {
    if (node.path().filename().string().rfind("renderD", 0) == 0) return;
  }
  setenv("GSK_RENDERER", "cairo", 1);
  // GDK would still load the GL driver (and with it LLVM) to probe it.
  std::string debug = std::getenv("GDK_DEBUG") ? std::getenv("GDK_DEBUG") : "";
  setenv("GDK_DEBUG", (debug.empty() ? "gl-disable" : debug + ",gl-disable").c_str(), 1);
}
