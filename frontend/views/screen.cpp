#include "frontend/views/screen.hpp"

#include <array>

#include "frontend/views/liquid.hpp"
#include "frontend/views/symbols.hpp"
#include "frontend/views/view_type.hpp"

namespace {

struct Layer {
  int width, height, samples;
  double period, opacity;
};

// Bottom to top.
constexpr std::array<Layer, 4> kLayers{{
    {640, 420, 8, 6, 0.1},
    {580, 420, 8, 6, 0.3},
    {480, 390, 8, 6, 0.6},
    {420, 360, 15, 6, 1.0},
}};

constexpr int kSpacing = 16;

}  // namespace

struct NimbrelScreenPrivate {
  GtkWidget* hintLabel = nullptr;
  std::array<GtkWidget*, 4> layers{};
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelScreen, nimbrel_screen, GTK_TYPE_WIDGET, GtkWidget)

static void nimbrel_screen_dispose(GObject* object) {
  auto* self = NIMBREL_SCREEN(object);
  while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(self))) gtk_widget_unparent(child);
  G_OBJECT_CLASS(nimbrel_screen_parent_class)->dispose(object);
}

static void nimbrel_screen_class_setup(NimbrelScreenClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = nimbrel_screen_dispose;
  gtk_widget_class_set_layout_manager_type(GTK_WIDGET_CLASS(klass), GTK_TYPE_BOX_LAYOUT);
  gtk_widget_class_set_css_name(GTK_WIDGET_CLASS(klass), "wizardscreen");
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), GTK_ACCESSIBLE_ROLE_GROUP);
}

static void nimbrel_screen_setup(NimbrelScreen* self) {
  gtk_orientable_set_orientation(GTK_ORIENTABLE(gtk_widget_get_layout_manager(GTK_WIDGET(self))),
                                 GTK_ORIENTATION_VERTICAL);
}

GtkWidget* nimbrel_screen_new(const char* hint, bool showBackground, GtkWidget* content) {
  auto* self = NIMBREL_SCREEN(g_object_new(NIMBREL_TYPE_SCREEN, nullptr));
  auto* priv = self->priv;

  GtkWidget* stage = gtk_overlay_new();
  gtk_widget_set_vexpand(stage, true);
  gtk_widget_set_hexpand(stage, true);
  gtk_widget_set_margin_top(stage, kSpacing);
  gtk_widget_set_margin_bottom(stage, kSpacing);
  gtk_widget_set_margin_start(stage, kSpacing);
  gtk_widget_set_margin_end(stage, kSpacing);
  GtkWidget* backdrop = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_overlay_set_child(GTK_OVERLAY(stage), backdrop);
  if (showBackground) {
    for (std::size_t i = 0; i < kLayers.size(); ++i) {
      const Layer& layer = kLayers[i];
      GtkWidget* liquid = nimbrel_liquid_new(layer.samples, layer.period, layer.width, layer.height, layer.opacity);
      gtk_overlay_add_overlay(GTK_OVERLAY(stage), liquid);
      priv->layers[i] = liquid;
    }
  }
  gtk_widget_set_halign(content, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(content, GTK_ALIGN_CENTER);
  gtk_overlay_add_overlay(GTK_OVERLAY(stage), content);
  gtk_overlay_set_measure_overlay(GTK_OVERLAY(stage), content, true);
  gtk_widget_set_parent(stage, GTK_WIDGET(self));

  GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_widget_add_css_class(bar, "hint-bar");
  gtk_box_append(GTK_BOX(bar), gtk_image_new_from_icon_name(views::iconNameForSymbol("lightbulb")));
  priv->hintLabel = gtk_label_new(hint);
  gtk_label_set_wrap(GTK_LABEL(priv->hintLabel), true);
  gtk_label_set_xalign(GTK_LABEL(priv->hintLabel), 0);
  gtk_box_append(GTK_BOX(bar), priv->hintLabel);
  gtk_widget_set_parent(bar, GTK_WIDGET(self));
  return GTK_WIDGET(self);
}

GtkLabel* nimbrel_screen_get_hint_label(NimbrelScreen* self) { return GTK_LABEL(self->priv->hintLabel); }

GtkWidget* nimbrel_screen_get_layer(NimbrelScreen* self, int index) {
  return index >= 0 && index < int(kLayers.size()) ? self->priv->layers[std::size_t(index)] : nullptr;
}
