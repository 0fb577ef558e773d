#include "frontend/views/settings_tab_button.hpp"

#include "frontend/views/view_type.hpp"

struct NimbrelSettingsTabButtonPrivate {};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelSettingsTabButton, nimbrel_settings_tab_button, GTK_TYPE_BUTTON, GtkButton)

static void nimbrel_settings_tab_button_class_setup(NimbrelSettingsTabButtonClass* klass) {
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), GTK_ACCESSIBLE_ROLE_TAB);
}

static void nimbrel_settings_tab_button_setup(NimbrelSettingsTabButton* self) {
  gtk_button_set_has_frame(GTK_BUTTON(self), FALSE);
  gtk_widget_add_css_class(GTK_WIDGET(self), "settings-tab");
  gtk_widget_set_size_request(GTK_WIDGET(self), 74, 52);
}

GtkWidget* nimbrel_settings_tab_button_new(const char* title, const char* iconName) {
  auto* self = GTK_WIDGET(g_object_new(NIMBREL_TYPE_SETTINGS_TAB_BUTTON, nullptr));
  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 5);
  gtk_widget_set_valign(column, GTK_ALIGN_CENTER);
  GtkWidget* icon = gtk_image_new_from_icon_name(iconName);
  gtk_image_set_pixel_size(GTK_IMAGE(icon), 19);
  GtkWidget* label = gtk_label_new(title);
  gtk_widget_add_css_class(label, "settings-tab-title");
  gtk_box_append(GTK_BOX(column), icon);
  gtk_box_append(GTK_BOX(column), label);
  gtk_button_set_child(GTK_BUTTON(self), column);
  gtk_accessible_update_property(GTK_ACCESSIBLE(self), GTK_ACCESSIBLE_PROPERTY_LABEL, title, -1);
  nimbrel_settings_tab_button_set_selected(NIMBREL_SETTINGS_TAB_BUTTON(self), false);
  return self;
}

void nimbrel_settings_tab_button_set_selected(NimbrelSettingsTabButton* self, bool selected) {
  if (selected) {
    gtk_widget_add_css_class(GTK_WIDGET(self), "selected");
  } else {
    gtk_widget_remove_css_class(GTK_WIDGET(self), "selected");
  }
  gtk_accessible_update_state(GTK_ACCESSIBLE(self), GTK_ACCESSIBLE_STATE_SELECTED, selected, -1);
}
