#include "frontend/views/gear_accessory_controller.hpp"

#include "frontend/notification_center.hpp"
#include "frontend/views/titlebar_accessories.hpp"
#include "frontend/views/view_type.hpp"

namespace {
constexpr const char* kGearIcon = "emblem-system-symbolic";
}

struct NimbrelGearAccessoryControllerPrivate {};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelGearAccessoryController, nimbrel_gear_accessory_controller, GTK_TYPE_WIDGET,
                          GtkWidget)

static void openSettings(GtkButton*, gpointer) {
  frontend::NotificationCenter::defaultCenter().post(frontend::showSettingsNotification);
}

static void nimbrel_gear_accessory_controller_dispose(GObject* object) {
  while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(object))) gtk_widget_unparent(child);
  G_OBJECT_CLASS(nimbrel_gear_accessory_controller_parent_class)->dispose(object);
}

static void nimbrel_gear_accessory_controller_class_setup(NimbrelGearAccessoryControllerClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = nimbrel_gear_accessory_controller_dispose;
  gtk_widget_class_set_layout_manager_type(GTK_WIDGET_CLASS(klass), GTK_TYPE_BIN_LAYOUT);
  gtk_widget_class_set_css_name(GTK_WIDGET_CLASS(klass), "gear-accessory");
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), GTK_ACCESSIBLE_ROLE_GENERIC);
}

static void nimbrel_gear_accessory_controller_setup(NimbrelGearAccessoryController* self) {
  gtk_widget_set_size_request(GTK_WIDGET(self), 40, 28);
  gtk_widget_set_valign(GTK_WIDGET(self), GTK_ALIGN_CENTER);
  GtkWidget* button = gtk_button_new_from_icon_name(kGearIcon);
  gtk_button_set_has_frame(GTK_BUTTON(button), FALSE);
  gtk_widget_set_tooltip_text(button, "Settings");
  gtk_accessible_update_property(GTK_ACCESSIBLE(button), GTK_ACCESSIBLE_PROPERTY_LABEL, "Settings", -1);
  gtk_widget_set_size_request(button, 28, 22);
  gtk_widget_set_halign(button, GTK_ALIGN_START);
  gtk_widget_set_valign(button, GTK_ALIGN_START);
  gtk_widget_set_margin_start(button, 6);
  gtk_widget_set_margin_top(button, 3);
  g_signal_connect(button, "clicked", G_CALLBACK(openSettings), nullptr);
  gtk_widget_set_parent(button, GTK_WIDGET(self));
}

GtkWidget* nimbrel_gear_accessory_controller_new() {
  return GTK_WIDGET(g_object_new(NIMBREL_TYPE_GEAR_ACCESSORY_CONTROLLER, nullptr));
}

bool nimbrel_gear_accessory_install(GtkWindow* window) {
  GtkWidget* accessories = nimbrel_window_get_titlebar_accessories(window);
  if (!accessories) return false;
  for (GtkWidget* child = gtk_widget_get_first_child(accessories); child; child = gtk_widget_get_next_sibling(child)) {
    if (NIMBREL_IS_GEAR_ACCESSORY_CONTROLLER(child)) return false;
  }
  GtkIconTheme* theme = gtk_icon_theme_get_for_display(gtk_widget_get_display(GTK_WIDGET(window)));
  if (!gtk_icon_theme_has_icon(theme, kGearIcon)) return false;
  gtk_box_append(GTK_BOX(accessories), nimbrel_gear_accessory_controller_new());
  return true;
}
