#include "runtime/better_webkit.hpp"

struct _BetterWebkit {
  WebKitWebView parent_instance;
  int titleStripHeight;
};

G_DEFINE_FINAL_TYPE(BetterWebkit, better_webkit, WEBKIT_TYPE_WEB_VIEW)

namespace {

bool inTitleStrip(GtkEventController* controller, double y) {
  auto* self = RUNLET_BETTER_WEBKIT(gtk_event_controller_get_widget(controller));
  return y >= 0 && y < self->titleStripHeight;
}

GdkToplevel* toplevelOf(GtkWidget* widget) {
  GtkNative* native = gtk_widget_get_native(widget);
  GdkSurface* surface = native ? gtk_native_get_surface(native) : nullptr;
  return surface && GDK_IS_TOPLEVEL(surface) ? GDK_TOPLEVEL(surface) : nullptr;
}

// The point (x, y) of `widget` in its surface's coordinates, as window moves take them.
void toSurfaceCoordinates(GtkWidget* widget, double& x, double& y) {
  GtkNative* native = gtk_widget_get_native(widget);
  graphene_point_t in = GRAPHENE_POINT_INIT(static_cast<float>(x), static_cast<float>(y)), out;
  if (!gtk_widget_compute_point(widget, GTK_WIDGET(native), &in, &out)) return;
  double dx = 0, dy = 0;
  gtk_native_get_surface_transform(native, &dx, &dy);
  x = out.x + dx;
  y = out.y + dy;
}

void onPressed(GtkGestureClick* gesture, int presses, double, double y, gpointer) {
  auto* controller = GTK_EVENT_CONTROLLER(gesture);
  if (!inTitleStrip(controller, y)) return;
  gtk_gesture_set_state(GTK_GESTURE(gesture), GTK_EVENT_SEQUENCE_CLAIMED);
  GtkWidget* widget = gtk_event_controller_get_widget(controller);
  GdkToplevel* toplevel = toplevelOf(widget);
  if (!toplevel) return;
  GdkEvent* event = gtk_event_controller_get_current_event(controller);
  unsigned button = gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture));
  if (button == GDK_BUTTON_SECONDARY) {
    gdk_toplevel_show_window_menu(toplevel, event);
  } else if (button == GDK_BUTTON_PRIMARY && presses == 2 &&
             !gdk_toplevel_titlebar_gesture(toplevel, GDK_TITLEBAR_GESTURE_DOUBLE_CLICK)) {
    auto* window = GTK_WINDOW(gtk_widget_get_root(widget));
    if (gtk_window_is_maximized(window)) {
      gtk_window_unmaximize(window);
    } else {
      gtk_window_maximize(window);
    }
  }
}

void onDragUpdate(GtkGestureDrag* gesture, double dx, double dy, gpointer click) {
  auto* controller = GTK_EVENT_CONTROLLER(gesture);
  double x = 0, y = 0;
  gtk_gesture_drag_get_start_point(gesture, &x, &y);
  GtkWidget* widget = gtk_event_controller_get_widget(controller);
  if (!inTitleStrip(controller, y) || !gtk_drag_check_threshold(widget, 0, 0, static_cast<int>(dx), static_cast<int>(dy))) {
    return;
  }
  GdkToplevel* toplevel = toplevelOf(widget);
  GdkEvent* event = gtk_event_controller_get_current_event(controller);
  if (!toplevel || !event) return;
  gtk_gesture_set_state(GTK_GESTURE(gesture), GTK_EVENT_SEQUENCE_CLAIMED);
  toSurfaceCoordinates(widget, x, y);
  gdk_toplevel_begin_move(toplevel, gtk_gesture_get_device(GTK_GESTURE(gesture)),
                          gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture)), x, y,
                          gdk_event_get_time(event));
  // The window system has the pointer now: both gestures start over.
  gtk_event_controller_reset(controller);
  gtk_event_controller_reset(GTK_EVENT_CONTROLLER(click));
}

}  // namespace

static void better_webkit_class_init(BetterWebkitClass*) {}

// Both gestures run before the page sees the press, and only take presses in the strip.
static void better_webkit_init(BetterWebkit* self) {
  self->titleStripHeight = 0;
  GtkGesture* click = gtk_gesture_click_new();
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), 0);
  gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(click), GTK_PHASE_CAPTURE);
  g_signal_connect(click, "pressed", G_CALLBACK(onPressed), nullptr);
  gtk_widget_add_controller(GTK_WIDGET(self), GTK_EVENT_CONTROLLER(click));

  GtkGesture* drag = gtk_gesture_drag_new();
  gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(drag), GTK_PHASE_CAPTURE);
  g_signal_connect(drag, "drag-update", G_CALLBACK(onDragUpdate), click);
  gtk_widget_add_controller(GTK_WIDGET(self), GTK_EVENT_CONTROLLER(drag));
  // One press, one owner: the drag goes on under the press the click claimed.
  gtk_gesture_group(click, drag);
}

void better_webkit_set_title_strip_height(BetterWebkit* view, int height) { view->titleStripHeight = height > 0 ? height : 0; }

int better_webkit_get_title_strip_height(BetterWebkit* view) { return view->titleStripHeight; }
