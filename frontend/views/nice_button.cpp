#include "frontend/views/nice_button.hpp"

#include <adwaita.h>

#include <cmath>
#include <numbers>

#include "frontend/views/symbols.hpp"
#include "frontend/views/view_type.hpp"
#include "platform/gobject_ptr.hpp"

namespace {

constexpr double kHoverScale = 1.03;
// A spring of response 0.5 s and damping fraction 0.85: stiffness (2π / response)² for unit mass.
constexpr double kSpringResponse = 0.5;
constexpr double kSpringDamping = 0.85;

}  // namespace

struct NimbrelNiceButtonPrivate {
  GtkWidget* face = nullptr;
  platform::GRef<AdwAnimation> spring;
  double scale = 1.0;
  bool isHover = false;
  bool isVisible = true;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelNiceButton, nimbrel_nice_button, GTK_TYPE_WIDGET, GtkWidget)

namespace {

void setScale(double value, gpointer data) {
  auto* self = NIMBREL_NICE_BUTTON(data);
  self->priv->scale = value;
  gtk_widget_queue_allocate(GTK_WIDGET(self));
}

void setHover(NimbrelNiceButton* self, bool hover) {
  auto* priv = self->priv;
  if (priv->isHover == hover) return;
  priv->isHover = hover;
  if (hover) {
    gtk_widget_add_css_class(priv->face, "hover");
  } else {
    gtk_widget_remove_css_class(priv->face, "hover");
  }
  AdwSpringAnimation* spring = ADW_SPRING_ANIMATION(priv->spring.get());
  adw_spring_animation_set_value_from(spring, priv->scale);
  adw_spring_animation_set_value_to(spring, hover ? kHoverScale : 1.0);
  adw_animation_play(priv->spring.get());
}

void pointerEntered(GtkEventControllerMotion*, double, double, gpointer data) {
  setHover(NIMBREL_NICE_BUTTON(data), true);
}

void pointerLeft(GtkEventControllerMotion*, gpointer data) { setHover(NIMBREL_NICE_BUTTON(data), false); }

}  // namespace

static void nimbrel_nice_button_measure(GtkWidget* widget, GtkOrientation orientation, int forSize, int* minimum,
                                        int* natural, int* minimumBaseline, int* naturalBaseline) {
  gtk_widget_measure(NIMBREL_NICE_BUTTON(widget)->priv->face, orientation, forSize, minimum, natural,
                     minimumBaseline, naturalBaseline);
}

// The face is scaled about the button's centre; the button's own box, and so
// the layout around it, never changes size.
static void nimbrel_nice_button_size_allocate(GtkWidget* widget, int width, int height, int baseline) {
  auto* priv = NIMBREL_NICE_BUTTON(widget)->priv;
  float cx = width / 2.0f, cy = height / 2.0f;
  auto scale = float(priv->scale);
  graphene_point_t centre = GRAPHENE_POINT_INIT(cx, cy), back = GRAPHENE_POINT_INIT(-cx, -cy);
  GskTransform* transform = gsk_transform_translate(nullptr, &centre);
  transform = gsk_transform_scale(transform, scale, scale);
  transform = gsk_transform_translate(transform, &back);
  gtk_widget_allocate(priv->face, width, height, baseline, transform);
}

static void nimbrel_nice_button_dispose(GObject* object) {
  auto* priv = NIMBREL_NICE_BUTTON(object)->priv;
  if (priv->spring) adw_animation_reset(priv->spring.get());
  priv->spring.reset();
  g_clear_pointer(&priv->face, gtk_widget_unparent);
  G_OBJECT_CLASS(nimbrel_nice_button_parent_class)->dispose(object);
}

static void nimbrel_nice_button_class_setup(NimbrelNiceButtonClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = nimbrel_nice_button_dispose;
  GTK_WIDGET_CLASS(klass)->measure = nimbrel_nice_button_measure;
  GTK_WIDGET_CLASS(klass)->size_allocate = nimbrel_nice_button_size_allocate;
  gtk_widget_class_set_css_name(GTK_WIDGET_CLASS(klass), "nicebutton");
}

static void nimbrel_nice_button_setup(NimbrelNiceButton* self) {
  auto* priv = self->priv;
  priv->face = gtk_button_new();
  gtk_widget_set_parent(priv->face, GTK_WIDGET(self));
  gtk_widget_add_css_class(priv->face, "nice-button");

  GtkEventController* motion = gtk_event_controller_motion_new();
  g_signal_connect(motion, "enter", G_CALLBACK(pointerEntered), self);
  g_signal_connect(motion, "leave", G_CALLBACK(pointerLeft), self);
  gtk_widget_add_controller(GTK_WIDGET(self), motion);

  const double stiffness = std::pow(2 * std::numbers::pi / kSpringResponse, 2);
  // The constructor hands over a full reference (libadwaita's own widgets release it in dispose).
  priv->spring = platform::adoptGRef(adw_spring_animation_new(
      GTK_WIDGET(self), 1.0, 1.0, adw_spring_params_new(kSpringDamping, 1.0, stiffness),
      adw_callback_animation_target_new(setScale, self, nullptr)));
}

GtkWidget* nimbrel_nice_button_new(const char* label, const char* symbol, bool prominent, bool fillWidth,
                                   const char* actionName) {
  auto* self = NIMBREL_NICE_BUTTON(g_object_new(NIMBREL_TYPE_NICE_BUTTON, nullptr));
  GtkWidget* face = self->priv->face;
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
  gtk_widget_set_halign(row, GTK_ALIGN_CENTER);
  GtkWidget* image = gtk_image_new_from_icon_name(views::iconNameForSymbol(symbol));
  gtk_widget_add_css_class(image, "nice-button-symbol");
  gtk_box_append(GTK_BOX(row), image);
  GtkWidget* title = gtk_label_new(label);
  gtk_box_append(GTK_BOX(row), title);
  gtk_button_set_child(GTK_BUTTON(face), row);
  gtk_accessible_update_property(GTK_ACCESSIBLE(face), GTK_ACCESSIBLE_PROPERTY_LABEL, label, -1);
  if (prominent) gtk_widget_add_css_class(face, "prominent");
  if (actionName) gtk_actionable_set_action_name(GTK_ACTIONABLE(face), actionName);
  gtk_widget_set_hexpand(GTK_WIDGET(self), fillWidth);
  gtk_widget_set_halign(GTK_WIDGET(self), fillWidth ? GTK_ALIGN_FILL : GTK_ALIGN_CENTER);
  return GTK_WIDGET(self);
}

void nimbrel_nice_button_set_is_visible(NimbrelNiceButton* self, bool visible) {
  auto* priv = self->priv;
  if (priv->isVisible == visible) return;
  priv->isVisible = visible;
  GtkWidget* widget = GTK_WIDGET(self);
  gtk_widget_set_opacity(widget, visible ? 1.0 : 0.0);
  gtk_widget_set_can_target(widget, visible);
  gtk_widget_set_can_focus(widget, visible);
  gtk_accessible_update_state(GTK_ACCESSIBLE(priv->face), GTK_ACCESSIBLE_STATE_HIDDEN, !visible, -1);
  if (!visible) {
    setHover(self, false);
    adw_animation_skip(priv->spring.get());
  }
}

bool nimbrel_nice_button_get_is_visible(NimbrelNiceButton* self) { return self->priv->isVisible; }
bool nimbrel_nice_button_get_is_hover(NimbrelNiceButton* self) { return self->priv->isHover; }
double nimbrel_nice_button_get_scale(NimbrelNiceButton* self) { return self->priv->scale; }
GtkWidget* nimbrel_nice_button_get_face(NimbrelNiceButton* self) { return self->priv->face; }
