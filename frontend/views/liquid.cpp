#include "frontend/views/liquid.hpp"

#include <algorithm>
#include <memory>
#include <set>

#include "blobs/liquid_drawing.hpp"
#include "blobs/liquid_motion.hpp"
#include "frontend/views/view_type.hpp"
#include "platform/gobject_ptr.hpp"

namespace {

// A frame that comes late (a busy machine, a debugger) moves the blob by at
// most this much, so it glides on instead of jumping.
constexpr double kLongestStep = 0.1;
// Slow shapes look smooth at about 30 frames per second. A tick callback would wake
// the frame clock 60 times a second (a third of the idle cost by itself), so
// one timer asks every blob on screen for its next frame, all in the same
// frame, and each blob moves by the frame clock's time when it is drawn.
constexpr guint kFrameIntervalMs = 30;

class BlobClock {
 public:
  void add(GtkWidget* blob) {
    blobs_.insert(blob);
    if (source_ == 0) source_ = g_timeout_add(kFrameIntervalMs, tick, this);
  }
  void remove(GtkWidget* blob) {
    blobs_.erase(blob);
    if (blobs_.empty() && source_ != 0) {
      g_source_remove(source_);
      source_ = 0;
    }
  }

 private:
  static gboolean tick(gpointer data) {
    for (GtkWidget* blob : static_cast<BlobClock*>(data)->blobs_) gtk_widget_queue_draw(blob);
    return G_SOURCE_CONTINUE;
  }
  std::set<GtkWidget*> blobs_;
  guint source_ = 0;
};

BlobClock& blobClock() {
  static BlobClock clock;
  return clock;
}

}  // namespace

struct NimbrelLiquidPrivate {
  std::unique_ptr<blobs::LiquidMotion> motion;
  int frameWidth = 0, frameHeight = 0;
  double fillOpacity = 1;
  bool moving = false;
  gint64 lastFrameTime = 0;
  guint64 framesDrawn = 0;
  platform::WeakRef<GdkSurface> surface;
  gulong stateHandler = 0;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelLiquid, nimbrel_liquid, GTK_TYPE_WIDGET, GtkWidget)

namespace {

void advance(NimbrelLiquid* self) {
  auto* priv = self->priv;
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(self));
  if (!priv->moving || !clock) return;
  gint64 now = gdk_frame_clock_get_frame_time(clock);
  if (priv->lastFrameTime != 0 && now > priv->lastFrameTime) {
    priv->motion->advance(std::min((now - priv->lastFrameTime) / 1e6, kLongestStep));
  }
  priv->lastFrameTime = now;
}

bool minimized(GtkWidget* widget) {
  GtkNative* native = gtk_widget_get_native(widget);
  GdkSurface* surface = native ? gtk_native_get_surface(native) : nullptr;
  return surface && GDK_IS_TOPLEVEL(surface) &&
         (gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED);
}

// Runs the motion exactly while the blob can be seen.
void updateTicking(NimbrelLiquid* self) {
  GtkWidget* widget = GTK_WIDGET(self);
  auto* priv = self->priv;
  bool wanted = gtk_widget_get_mapped(widget) && !minimized(widget);
  if (wanted == priv->moving) return;
  priv->moving = wanted;
  priv->lastFrameTime = 0;
  if (wanted) {
    blobClock().add(widget);
  } else {
    blobClock().remove(widget);
  }
}

void surfaceStateChanged(GObject*, GParamSpec*, gpointer data) { updateTicking(NIMBREL_LIQUID(data)); }

void disconnectSurface(NimbrelLiquid* self) {
  auto* priv = self->priv;
  if (auto surface = priv->surface.get(); surface && priv->stateHandler) {
    g_signal_handler_disconnect(surface.get(), priv->stateHandler);
  }
  priv->stateHandler = 0;
  priv->surface.set(nullptr);
}

}  // namespace

static void nimbrel_liquid_map(GtkWidget* widget) {
  GTK_WIDGET_CLASS(nimbrel_liquid_parent_class)->map(widget);
  auto* self = NIMBREL_LIQUID(widget);
  disconnectSurface(self);
  if (GtkNative* native = gtk_widget_get_native(widget)) {
    GdkSurface* surface = gtk_native_get_surface(native);
    if (surface && GDK_IS_TOPLEVEL(surface)) {
      self->priv->surface.set(surface);
      self->priv->stateHandler = g_signal_connect(surface, "notify::state", G_CALLBACK(surfaceStateChanged), self);
    }
  }
  updateTicking(self);
}

static void nimbrel_liquid_unmap(GtkWidget* widget) {
  auto* self = NIMBREL_LIQUID(widget);
  disconnectSurface(self);
  GTK_WIDGET_CLASS(nimbrel_liquid_parent_class)->unmap(widget);
  updateTicking(self);
}

static void nimbrel_liquid_measure(GtkWidget*, GtkOrientation, int, int* minimum, int* natural, int*, int*) {
  *minimum = *natural = 0;
}

static void nimbrel_liquid_snapshot(GtkWidget* widget, GtkSnapshot* snapshot) {
  auto* priv = NIMBREL_LIQUID(widget)->priv;
  advance(NIMBREL_LIQUID(widget));
  const double width = priv->frameWidth, height = priv->frameHeight;
  const double x = (gtk_widget_get_width(widget) - width) / 2, y = (gtk_widget_get_height(widget) - height) / 2;
  GdkRGBA color;
  gtk_style_context_get_color(gtk_widget_get_style_context(widget), &color);
  color.alpha *= float(priv->fillOpacity);
  // The curve swings past its frame between points; only the widget's own edges may cut it.
  graphene_rect_t bounds = GRAPHENE_RECT_INIT(0, 0, float(gtk_widget_get_width(widget)), float(gtk_widget_get_height(widget)));
  cairo_t* cr = gtk_snapshot_append_cairo(snapshot, &bounds);
  // Soft, moving shapes need no finer curves or edges than these, and they draw faster.
  cairo_set_tolerance(cr, 1.0);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_FAST);
  blobs::appendLiquidPath(cr, priv->motion->radians(), blobs::Rect{x, y, width, height});
  gdk_cairo_set_source_rgba(cr, &color);
  cairo_fill(cr);
  cairo_destroy(cr);
  ++priv->framesDrawn;
}

static void nimbrel_liquid_dispose(GObject* object) {
  auto* self = NIMBREL_LIQUID(object);
  disconnectSurface(self);
  if (self->priv->moving) blobClock().remove(GTK_WIDGET(self));
  self->priv->moving = false;
  G_OBJECT_CLASS(nimbrel_liquid_parent_class)->dispose(object);
}

static void nimbrel_liquid_class_setup(NimbrelLiquidClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = nimbrel_liquid_dispose;
  GtkWidgetClass* widget = GTK_WIDGET_CLASS(klass);
  widget->map = nimbrel_liquid_map;
  widget->unmap = nimbrel_liquid_unmap;
  widget->measure = nimbrel_liquid_measure;
  widget->snapshot = nimbrel_liquid_snapshot;
  gtk_widget_class_set_css_name(widget, "liquid");
  gtk_widget_class_set_accessible_role(widget, GTK_ACCESSIBLE_ROLE_PRESENTATION);
}

static void nimbrel_liquid_setup(NimbrelLiquid* self) {
  gtk_widget_set_can_target(GTK_WIDGET(self), false);
  gtk_widget_set_can_focus(GTK_WIDGET(self), false);
}

GtkWidget* nimbrel_liquid_new(int samples, double period, int frameWidth, int frameHeight, double fillOpacity) {
  auto* self = NIMBREL_LIQUID(g_object_new(NIMBREL_TYPE_LIQUID, nullptr));
  self->priv->motion = std::make_unique<blobs::LiquidMotion>(samples, period);
  self->priv->frameWidth = frameWidth;
  self->priv->frameHeight = frameHeight;
  self->priv->fillOpacity = fillOpacity;
  return GTK_WIDGET(self);
}

blobs::AnimatableArray nimbrel_liquid_get_radians(NimbrelLiquid* self) { return self->priv->motion->radians(); }
bool nimbrel_liquid_is_animating(NimbrelLiquid* self) { return self->priv->moving; }
guint64 nimbrel_liquid_get_frames_drawn(NimbrelLiquid* self) { return self->priv->framesDrawn; }
