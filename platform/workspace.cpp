#include "platform/workspace.hpp"

#include <gio/gio.h>
#include <gtk/gtk.h>

#include "platform/gobject_ptr.hpp"

namespace platform {

namespace {

constexpr int kFileManagerTimeoutMs = 5000;

void launchFinished(GObject*, GAsyncResult* result, gpointer) {
  GErrorOut error;
  g_app_info_launch_default_for_uri_finish(result, error.out());
}

void launchDefault(const std::string& uri) {
  g_app_info_launch_default_for_uri_async(uri.c_str(), nullptr, nullptr, launchFinished, nullptr);
}

std::string fileURI(const std::filesystem::path& path) {
  GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
  return uri ? uri.get() : std::string();
}

// One reveal on its way through the bus; the folder is opened instead when
// no file manager answers.
struct RevealRequest {
  std::string folderURI;
  std::string itemURI;

  void fallBack() const {
    if (!folderURI.empty()) launchDefault(folderURI);
  }
};

void showItemsFinished(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<RevealRequest> request(static_cast<RevealRequest*>(data));
  GErrorOut error;
  CPtr<GVariant> reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, error.out()));
  if (!reply) request->fallBack();
}

void sessionBusReady(GObject*, GAsyncResult* result, gpointer data) {
  std::unique_ptr<RevealRequest> request(static_cast<RevealRequest*>(data));
  GErrorOut error;
  auto bus = adoptGRef(g_bus_get_finish(result, error.out()));
  if (!bus) {
    request->fallBack();
    return;
  }
  const char* items[] = {request->itemURI.c_str(), nullptr};
  GVariant* parameters = g_variant_new("(^ass)", items, "");
  g_dbus_connection_call(bus.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                         "org.freedesktop.FileManager1", "ShowItems", parameters, nullptr, G_DBUS_CALL_FLAGS_NONE,
                         kFileManagerTimeoutMs, nullptr, showItemsFinished, request.release());
}

class DesktopWorkspace final : public Workspace {
 public:
  void openURL(const std::string& uri) override { launchDefault(uri); }

  void revealFile(const std::filesystem::path& path) override {
    std::string item = fileURI(path);
    if (item.empty()) return;
    auto* request = new RevealRequest{fileURI(path.parent_path()), item};
    g_bus_get(G_BUS_TYPE_SESSION, nullptr, sessionBusReady, request);
  }

  void alertSound() override {
    if (GdkDisplay* display = gdk_display_get_default()) gdk_display_beep(display);
  }
};

}  // namespace

Workspace& Workspace::shared() {
  static DesktopWorkspace workspace;
  return workspace;
}

}  // namespace platform
