#include "wizard_window.hpp"

#include "frontend/signing_settings.hpp"
#include "frontend/views/gtk_wizard_services.hpp"

namespace views_testing {

WizardWindow makeWizardWindow(NimbrelServicesFactory makeServices) {
  if (!makeServices) {
    makeServices = [](GtkWidget* host) {
      return std::make_unique<views::GtkWizardServices>(host, frontend::SigningSettings::shared());
    };
  }
  WizardWindow w;
  w.window = GTK_WINDOW(gtk_window_new());
  gtk_window_set_title(w.window, "Nimbrel");
  gtk_window_set_default_size(w.window, 700, 500);
  gtk_window_set_resizable(w.window, false);
  GtkWidget* view = nimbrel_content_view_new_with_services(nullptr, std::move(makeServices));
  w.view = NIMBREL_CONTENT_VIEW(view);
  GtkWidget* header = gtk_header_bar_new();
  gtk_header_bar_set_title_widget(GTK_HEADER_BAR(header), gtk_label_new(nullptr));
  gtk_header_bar_pack_start(GTK_HEADER_BAR(header), nimbrel_content_view_get_navigation_items(w.view));
  gtk_window_set_titlebar(w.window, header);
  gtk_window_set_child(w.window, view);
  gtk_window_present(w.window);
  return w;
}

void settle(int frames) {
  const gint64 end = g_get_monotonic_time() + gint64(frames) * 20000;
  runUntil([&] { return g_get_monotonic_time() >= end; });
}

}  // namespace views_testing
