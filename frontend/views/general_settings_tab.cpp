#include "frontend/views/general_settings_tab.hpp"

#include "frontend/views/view_type.hpp"

struct NimbrelGeneralSettingsTabPrivate {
  frontend::SigningSettings* settings = nullptr;
  GtkSwitch* titleBar = nullptr;
  frontend::Connection changed;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelGeneralSettingsTab, nimbrel_general_settings_tab, GTK_TYPE_WIDGET, GtkWidget)

static void refresh(NimbrelGeneralSettingsTab* self) {
  auto* priv = self->priv;
  bool stored = priv->settings->showTitleBar();
  if (gtk_switch_get_active(priv->titleBar) != stored) gtk_switch_set_active(priv->titleBar, stored);
}

static void titleBarToggled(GtkSwitch* control, GParamSpec*, gpointer data) {
  auto* settings = NIMBREL_GENERAL_SETTINGS_TAB(data)->priv->settings;
  bool value = gtk_switch_get_active(control);
  if (settings->showTitleBar() != value) settings->setShowTitleBar(value);
}

static void nimbrel_general_settings_tab_dispose(GObject* object) {
  NIMBREL_GENERAL_SETTINGS_TAB(object)->priv->changed.disconnect();
  gtk_widget_dispose_template(GTK_WIDGET(object), NIMBREL_TYPE_GENERAL_SETTINGS_TAB);
  while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(object))) gtk_widget_unparent(child);
  G_OBJECT_CLASS(nimbrel_general_settings_tab_parent_class)->dispose(object);
}

static void nimbrel_general_settings_tab_class_setup(NimbrelGeneralSettingsTabClass* klass) {
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  G_OBJECT_CLASS(klass)->dispose = nimbrel_general_settings_tab_dispose;
  gtk_widget_class_set_layout_manager_type(widgetClass, GTK_TYPE_BIN_LAYOUT);
  gtk_widget_class_set_template_from_resource(widgetClass, "/co/corvan/nimbrel/general_settings_tab.ui");
  gtk_widget_class_bind_template_child_full(widgetClass, "title_bar_switch", FALSE, 0);
}

static void nimbrel_general_settings_tab_setup(NimbrelGeneralSettingsTab* self) {
  gtk_widget_init_template(GTK_WIDGET(self));
  self->priv->titleBar = GTK_SWITCH(
      gtk_widget_get_template_child(GTK_WIDGET(self), NIMBREL_TYPE_GENERAL_SETTINGS_TAB, "title_bar_switch"));
}

GtkWidget* nimbrel_general_settings_tab_new(frontend::SigningSettings& settings) {
  auto* self = NIMBREL_GENERAL_SETTINGS_TAB(g_object_new(NIMBREL_TYPE_GENERAL_SETTINGS_TAB, nullptr));
  auto* priv = self->priv;
  priv->settings = &settings;
  refresh(self);
  g_signal_connect(priv->titleBar, "notify::active", G_CALLBACK(titleBarToggled), self);
  priv->changed = settings.observe([self] { refresh(self); });
  return GTK_WIDGET(self);
}
