#include "frontend/views/screen_view.hpp"

#include <adwaita.h>

namespace views {
namespace {

GtkWidget* makeBox(GtkOrientation orientation, int spacing, int width) {
  GtkWidget* box = gtk_box_new(orientation, spacing);
  gtk_widget_set_halign(box, GTK_ALIGN_CENTER);
  if (width >= 0) gtk_widget_set_size_request(box, width, -1);
  return box;
}

}  // namespace

GtkWidget* makeColumn(int spacing, int width) { return makeBox(GTK_ORIENTATION_VERTICAL, spacing, width); }
GtkWidget* makeRow(int spacing, int width) { return makeBox(GTK_ORIENTATION_HORIZONTAL, spacing, width); }

GtkWidget* clampedWidth(GtkWidget* child, int width) {
  GtkWidget* clamp = adw_clamp_new();
  adw_clamp_set_maximum_size(ADW_CLAMP(clamp), width);
  adw_clamp_set_tightening_threshold(ADW_CLAMP(clamp), width);
  adw_clamp_set_child(ADW_CLAMP(clamp), child);
  return clamp;
}

frontend::WizardChanges allChanges() {
  frontend::WizardChanges changes;
  for (std::uint32_t bit = 1; bit != 0 && bit <= std::uint32_t(frontend::WizardField::showSettings); bit <<= 1) {
    changes.add(frontend::WizardField(bit));
  }
  return changes;
}

}  // namespace views
