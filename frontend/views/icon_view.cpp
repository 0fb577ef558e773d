#include "frontend/views/icon_view.hpp"

#include "frontend/views/image_texture.hpp"
#include "frontend/views/view_type.hpp"

struct NimbrelIconViewPrivate {
  int size = 0;
  platform::GRef<GdkTexture> texture;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelIconView, nimbrel_icon_view, GTK_TYPE_WIDGET, GtkWidget)

static void nimbrel_icon_view_measure(GtkWidget* widget, GtkOrientation, int, int* minimum, int* natural, int*,
                                      int*) {
  *minimum = *natural = NIMBREL_ICON_VIEW(widget)->priv->size;
}

static void nimbrel_icon_view_snapshot(GtkWidget* widget, GtkSnapshot* snapshot) {
  auto* priv = NIMBREL_ICON_VIEW(widget)->priv;
  if (!priv->texture) return;
  graphene_rect_t bounds = GRAPHENE_RECT_INIT(0, 0, float(gtk_widget_get_width(widget)),
                                              float(gtk_widget_get_height(widget)));
  gtk_snapshot_append_texture(snapshot, priv->texture.get(), &bounds);
}

static void nimbrel_icon_view_class_setup(NimbrelIconViewClass* klass) {
  GTK_WIDGET_CLASS(klass)->measure = nimbrel_icon_view_measure;
  GTK_WIDGET_CLASS(klass)->snapshot = nimbrel_icon_view_snapshot;
  gtk_widget_class_set_css_name(GTK_WIDGET_CLASS(klass), "iconview");
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), GTK_ACCESSIBLE_ROLE_IMG);
}

static void nimbrel_icon_view_setup(NimbrelIconView* self) {
  gtk_widget_set_halign(GTK_WIDGET(self), GTK_ALIGN_CENTER);
  gtk_widget_set_valign(GTK_WIDGET(self), GTK_ALIGN_CENTER);
}

GtkWidget* nimbrel_icon_view_new(int size, const char* accessibleLabel) {
  auto* self = NIMBREL_ICON_VIEW(g_object_new(NIMBREL_TYPE_ICON_VIEW, nullptr));
  self->priv->size = size;
  gtk_accessible_update_property(GTK_ACCESSIBLE(self), GTK_ACCESSIBLE_PROPERTY_LABEL, accessibleLabel, -1);
  return GTK_WIDGET(self);
}

void nimbrel_icon_view_set_image(NimbrelIconView* self, const platform::Image& image) {
  self->priv->texture = views::textureFromImage(image);
  gtk_widget_queue_draw(GTK_WIDGET(self));
}
