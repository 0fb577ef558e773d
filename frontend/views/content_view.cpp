#include "frontend/views/content_view.hpp"

#include "frontend/notification_center.hpp"
#include "frontend/signing_settings.hpp"
#include "frontend/views/settings_sheet.hpp"
#include "frontend/views/view_type.hpp"
#include "platform/gobject_ptr.hpp"

// Placeholder until the wizard's screens land: a label, and the settings sheet
// on request, so the shell has its host.
struct NimbrelContentViewPrivate {
  platform::GRef<GCancellable> cancellable;
  platform::GRef<GtkWidget> navigationItems;
  frontend::Connection showSettings;
  bool sheetShown = false;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelContentView, nimbrel_content_view, GTK_TYPE_WIDGET, GtkWidget)

static void nimbrel_content_view_dispose(GObject* object) {
  auto* self = NIMBREL_CONTENT_VIEW(object);
  self->priv->showSettings.disconnect();
  while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(self))) gtk_widget_unparent(child);
  G_OBJECT_CLASS(nimbrel_content_view_parent_class)->dispose(object);
}

static void nimbrel_content_view_class_setup(NimbrelContentViewClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = nimbrel_content_view_dispose;
  gtk_widget_class_set_layout_manager_type(GTK_WIDGET_CLASS(klass), GTK_TYPE_BIN_LAYOUT);
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), GTK_ACCESSIBLE_ROLE_GROUP);
}

static void nimbrel_content_view_setup(NimbrelContentView* self) {
  gtk_widget_set_parent(gtk_label_new("Nimbrel"), GTK_WIDGET(self));
  self->priv->navigationItems = platform::GRef<GtkWidget>::retain(gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6));
  self->priv->showSettings = frontend::NotificationCenter::defaultCenter().addObserver(
      frontend::showSettingsNotification, [self] {
        auto* priv = self->priv;
        if (priv->sheetShown) return;
        auto* window = GTK_WINDOW(gtk_widget_get_root(GTK_WIDGET(self)));
        if (!window) return;
        priv->sheetShown = true;
        nimbrel_present_settings_sheet(window, frontend::SigningSettings::shared(), [self] { self->priv->sheetShown = false; });
      });
}

GtkWidget* nimbrel_content_view_new(GCancellable* cancellable) {
  auto* self = NIMBREL_CONTENT_VIEW(g_object_new(NIMBREL_TYPE_CONTENT_VIEW, nullptr));
  self->priv->cancellable = platform::GRef<GCancellable>::retain(cancellable);
  return GTK_WIDGET(self);
}

GtkWidget* nimbrel_content_view_get_navigation_items(NimbrelContentView* self) { return self->priv->navigationItems.get(); }
