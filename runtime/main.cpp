// Runlet: shows one web site in one window, as configured by the app.plist of
// the bundle it runs from.
#include <gtk/gtk.h>

#include <memory>

#include "platform/bundle.hpp"
#include "runtime/app_delegate.hpp"
#include "runtime/app_identity.hpp"
#include "runtime/callback_guard.hpp"
#include "runtime/rendering.hpp"

namespace {

struct Launcher {
  runlet::AppDelegate::Options options;
  std::unique_ptr<runlet::AppDelegate> delegate;
};

// A second start of the same app brings the existing window back.
void onActivate(GtkApplication* application, gpointer data) {
  auto* launcher = static_cast<Launcher*>(data);
  if (launcher->delegate) {
    if (launcher->delegate->window()) launcher->delegate->restoreMainWindow();
    return;
  }
  runlet::guarded([&] {
    launcher->delegate = std::make_unique<runlet::AppDelegate>(application, launcher->options);
    launcher->delegate->launch();
  });
}

}  // namespace

int main(int argc, char** argv) {
  Launcher launcher;
  launcher.options.softwareRendering = runlet::chooseRenderingPath();
  if (launcher.options.softwareRendering) runlet::keepFrameBuffersAllocated();
  launcher.options.bundle = platform::Bundle::main();
  auto identifier = launcher.options.bundle ? launcher.options.bundle->identifier() : std::nullopt;
  std::string id = runlet::applicationId(identifier.value_or(""));

  auto application = platform::adoptGRef(gtk_application_new(id.c_str(), G_APPLICATION_DEFAULT_FLAGS));
  g_signal_connect(application.get(), "activate", G_CALLBACK(onActivate), &launcher);
  int status = g_application_run(G_APPLICATION(application.get()), argc, argv);
  launcher.delegate.reset();
  return status;
}
