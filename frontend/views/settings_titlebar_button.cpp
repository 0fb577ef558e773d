#include "frontend/views/settings_titlebar_button.hpp"

#include "frontend/views/gear_accessory_controller.hpp"
#include "frontend/views/view_type.hpp"
#include "platform/dispatch.hpp"
#include "platform/gobject_ptr.hpp"

struct NimbrelSettingsTitlebarButtonPrivate {};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelSettingsTitlebarButton, nimbrel_settings_titlebar_button, GTK_TYPE_WIDGET, GtkWidget)

// The window is known only once the view is in it; the gear waits a turn so
// the window's title bar is complete, and the view may be gone by then.
static void nimbrel_settings_titlebar_button_root(GtkWidget* widget) {
  GTK_WIDGET_CLASS(nimbrel_settings_titlebar_button_parent_class)->root(widget);
  platform::postToMain([weak = platform::WeakRef<GtkWidget>(widget)] {
    auto self = weak.get();
    if (!self) return;
    GtkRoot* root = gtk_widget_get_root(self.get());
    if (GTK_IS_WINDOW(root)) nimbrel_gear_accessory_install(GTK_WINDOW(root));
  });
}

static void nimbrel_settings_titlebar_button_class_setup(NimbrelSettingsTitlebarButtonClass* klass) {
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  widgetClass->root = nimbrel_settings_titlebar_button_root;
  gtk_widget_class_set_accessible_role(widgetClass, GTK_ACCESSIBLE_ROLE_PRESENTATION);
}

static void nimbrel_settings_titlebar_button_setup(NimbrelSettingsTitlebarButton* self) {
  gtk_widget_set_can_target(GTK_WIDGET(self), FALSE);
  gtk_widget_set_can_focus(GTK_WIDGET(self), FALSE);
}

GtkWidget* nimbrel_settings_titlebar_button_new() {
  return GTK_WIDGET(g_object_new(NIMBREL_TYPE_SETTINGS_TITLEBAR_BUTTON, nullptr));
}
