#include "frontend/views/settings_sheet.hpp"

#include "frontend/views/signing_settings_view.hpp"

namespace {
constexpr const char* kSheetKey = "nimbrel-settings-sheet";
}

void nimbrel_present_settings_sheet(GtkWindow* parent, frontend::SigningSettings& settings,
                                    std::function<void()> dismissed) {
  if (auto* open = static_cast<GtkWindow*>(g_object_get_data(G_OBJECT(parent), kSheetKey))) {
    gtk_window_present(open);
    return;
  }
  GtkWidget* sheet = nimbrel_signing_settings_view_new(
      parent, settings, [parent, dismissed = std::move(dismissed)] {
        g_object_set_data(G_OBJECT(parent), kSheetKey, nullptr);
        if (dismissed) dismissed();
      });
  g_object_set_data(G_OBJECT(parent), kSheetKey, sheet);
  gtk_window_present(GTK_WINDOW(sheet));
}
