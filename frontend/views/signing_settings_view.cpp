#include "frontend/views/signing_settings_view.hpp"

#include <utility>

#include "frontend/views/general_settings_tab.hpp"
#include "frontend/views/settings_tab_button.hpp"
#include "frontend/views/signing_settings_tab.hpp"
#include "frontend/views/view_type.hpp"

struct NimbrelSigningSettingsViewPrivate {
  frontend::SigningSettings* settings = nullptr;
  GtkWidget* tabArea = nullptr;
  NimbrelSettingsTabButton* tabButtons[2] = {};
  std::function<void()> dismissed;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelSigningSettingsView, nimbrel_signing_settings_view, GTK_TYPE_WINDOW, GtkWindow)

// Only the selected tab exists; each selection builds it afresh from the settings.
static void selectTab(NimbrelSigningSettingsView* self, int tab) {
  auto* priv = self->priv;
  if (GtkWidget* old = gtk_widget_get_first_child(priv->tabArea)) gtk_box_remove(GTK_BOX(priv->tabArea), old);
  GtkWidget* content = tab == 0 ? nimbrel_general_settings_tab_new(*priv->settings)
                                : nimbrel_signing_settings_tab_new(*priv->settings);
  gtk_widget_set_hexpand(content, TRUE);
  gtk_box_append(GTK_BOX(priv->tabArea), content);
  for (int i = 0; i < 2; ++i) nimbrel_settings_tab_button_set_selected(priv->tabButtons[i], i == tab);
}

static void tabClicked(GtkButton* button, gpointer data) {
  auto* self = NIMBREL_SIGNING_SETTINGS_VIEW(data);
  selectTab(self, NIMBREL_SETTINGS_TAB_BUTTON(button) == self->priv->tabButtons[0] ? 0 : 1);
}

static void doneClicked(GtkButton*, gpointer data) { gtk_window_destroy(GTK_WINDOW(data)); }

static void nimbrel_signing_settings_view_dispose(GObject* object) {
  if (auto dismissed = std::exchange(NIMBREL_SIGNING_SETTINGS_VIEW(object)->priv->dismissed, nullptr)) dismissed();
  gtk_widget_dispose_template(GTK_WIDGET(object), NIMBREL_TYPE_SIGNING_SETTINGS_VIEW);
  G_OBJECT_CLASS(nimbrel_signing_settings_view_parent_class)->dispose(object);
}

static void nimbrel_signing_settings_view_class_setup(NimbrelSigningSettingsViewClass* klass) {
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  G_OBJECT_CLASS(klass)->dispose = nimbrel_signing_settings_view_dispose;
  gtk_widget_class_set_template_from_resource(widgetClass, "/co/corvan/nimbrel/signing_settings_view.ui");
  for (const char* child : {"tab_bar", "tab_area", "done_button"}) {
    gtk_widget_class_bind_template_child_full(widgetClass, child, FALSE, 0);
  }
  gtk_widget_class_add_binding_action(widgetClass, GDK_KEY_Escape, GdkModifierType(0), "window.close", nullptr);
}

static void nimbrel_signing_settings_view_setup(NimbrelSigningSettingsView* self) {
  auto* widget = GTK_WIDGET(self);
  gtk_widget_init_template(widget);
  auto child = [widget](const char* name) {
    return GTK_WIDGET(gtk_widget_get_template_child(widget, NIMBREL_TYPE_SIGNING_SETTINGS_VIEW, name));
  };
  auto* priv = self->priv;
  priv->tabArea = child("tab_area");
  GtkWidget* tabBar = child("tab_bar");
  const struct {
    const char* title;
    const char* icon;
  } tabs[] = {{"General", "emblem-system-symbolic"}, {"Signing", "security-high-symbolic"}};
  for (int i = 0; i < 2; ++i) {
    GtkWidget* button = nimbrel_settings_tab_button_new(tabs[i].title, tabs[i].icon);
    priv->tabButtons[i] = NIMBREL_SETTINGS_TAB_BUTTON(button);
    g_signal_connect(button, "clicked", G_CALLBACK(tabClicked), self);
    gtk_box_append(GTK_BOX(tabBar), button);
  }
  GtkWidget* done = child("done_button");
  g_signal_connect(done, "clicked", G_CALLBACK(doneClicked), self);
  gtk_window_set_default_widget(GTK_WINDOW(self), done);
}

GtkWidget* nimbrel_signing_settings_view_new(GtkWindow* parent, frontend::SigningSettings& settings,
                                             std::function<void()> dismissed) {
  auto* self = NIMBREL_SIGNING_SETTINGS_VIEW(
      g_object_new(NIMBREL_TYPE_SIGNING_SETTINGS_VIEW, "accessible-role", GTK_ACCESSIBLE_ROLE_DIALOG, nullptr));
  auto* priv = self->priv;
  gtk_window_set_transient_for(GTK_WINDOW(self), parent);
  gtk_window_set_destroy_with_parent(GTK_WINDOW(self), TRUE);
  priv->settings = &settings;
  selectTab(self, 0);
  priv->dismissed = std::move(dismissed);
  return GTK_WIDGET(self);
}
