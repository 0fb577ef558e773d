// Ready-made apps screen: a scrolling grid of four columns, one tile per app.
// A click selects (name and address are filled in), a double click uses the
// app, a click beside the tiles clears the selection; arrow keys and Space
// select, Return uses. The selection shown is always the model's: the grid's
// own selection stays off, so that focusing the grid selects nothing.
#include <utility>

#include "frontend/views/favorite_tile.hpp"
#include "frontend/views/screen.hpp"
#include "frontend/views/screen_view.hpp"

namespace views {
namespace {

using frontend::WizardField;

class FavoritesScreen final : public ScreenView {
 public:
  FavoritesScreen(frontend::WizardModel& model, const frontend::ImageLoader& imageNamed) : model_(model) {
    GtkWidget* grid = gtk_flow_box_new();
    grid_ = GTK_FLOW_BOX(grid);
    gtk_widget_add_css_class(grid, "favorites");
    gtk_widget_set_name(grid, "favorites-grid");
    gtk_flow_box_set_min_children_per_line(grid_, 4);
    gtk_flow_box_set_max_children_per_line(grid_, 4);
    gtk_flow_box_set_homogeneous(grid_, true);
    gtk_flow_box_set_column_spacing(grid_, 16);
    gtk_flow_box_set_row_spacing(grid_, 16);
    gtk_flow_box_set_selection_mode(grid_, GTK_SELECTION_NONE);
    gtk_flow_box_set_activate_on_single_click(grid_, false);
    gtk_widget_set_valign(grid, GTK_ALIGN_START);
    gtk_accessible_update_property(GTK_ACCESSIBLE(grid), GTK_ACCESSIBLE_PROPERTY_LABEL, "Ready-made apps", -1);
    for (const frontend::FavoriteApp& app : frontend::favoriteApps()) {
      GtkWidget* item = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
      gtk_widget_add_css_class(item, "favorite");
      gtk_box_append(GTK_BOX(item), nimbrel_favorite_tile_new(app, imageNamed));
      GtkWidget* name = gtk_label_new(app.at("name").c_str());
      gtk_widget_add_css_class(name, "favorite-name");
      gtk_box_append(GTK_BOX(item), name);
      gtk_flow_box_append(grid_, item);
      GtkWidget* child = gtk_widget_get_parent(item);
      gtk_accessible_update_property(GTK_ACCESSIBLE(child), GTK_ACCESSIBLE_PROPERTY_LABEL, app.at("name").c_str(),
                                     -1);
    }
    // The grid itself turns Return and Space into activation.
    g_signal_connect(grid, "child-activated", G_CALLBACK(activated), this);
    g_signal_connect_after(grid, "move-cursor", G_CALLBACK(cursorMoved), this);
    g_signal_connect_after(grid, "toggle-cursor-child", G_CALLBACK(cursorToggled), this);
    GtkGesture* tileClick = gtk_gesture_click_new();
    // Before the grid's own gesture, which would use the app while the button is still down.
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(tileClick), GTK_PHASE_CAPTURE);
    g_signal_connect(tileClick, "pressed", G_CALLBACK(tilePressed), this);
    gtk_widget_add_controller(grid, GTK_EVENT_CONTROLLER(tileClick));
    // The grid claims the double click, so its release is seen here, as a plain event.
    GtkEventController* release = gtk_event_controller_legacy_new();
    g_signal_connect(release, "event", G_CALLBACK(buttonEvent), this);
    gtk_widget_add_controller(grid, release);

    GtkWidget* scroller = gtk_scrolled_window_new();
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), false);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), grid);
    gtk_widget_set_hexpand(scroller, true);
    gtk_widget_set_vexpand(scroller, true);
    GtkGesture* click = gtk_gesture_click_new();
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(click), GTK_PHASE_CAPTURE);
    g_signal_connect(click, "pressed", G_CALLBACK(pressed), this);
    gtk_widget_add_controller(scroller, GTK_EVENT_CONTROLLER(click));
    scroller_ = scroller;

    auto info = frontend::screenInfo(frontend::favoritesScreen);
    screen_ = nimbrel_screen_new(info->hint.c_str(), info->showBackground, scroller);
    gtk_widget_set_halign(scroller, GTK_ALIGN_FILL);
    gtk_widget_set_valign(scroller, GTK_ALIGN_FILL);
  }

  void update(const frontend::WizardModel& model, const frontend::WizardChanges& changes) override {
    if (!changes.contains(WizardField::selectedFavorite)) return;
    int index = 0;
    for (GtkFlowBoxChild* child; (child = gtk_flow_box_get_child_at_index(grid_, index)); ++index) {
      GtkWidget* item = gtk_flow_box_child_get_child(child);
      for (GtkWidget* part : {item, gtk_widget_get_last_child(item)}) {
        if (model.isFavoriteSelected(std::size_t(index))) {
          gtk_widget_add_css_class(part, "selected");
        } else {
          gtk_widget_remove_css_class(part, "selected");
        }
      }
      gtk_accessible_update_state(GTK_ACCESSIBLE(child), GTK_ACCESSIBLE_STATE_SELECTED,
                                  model.isFavoriteSelected(std::size_t(index)), -1);
    }
  }

  GtkWidget* initialFocus() const override { return GTK_WIDGET(grid_); }

 private:
  void selectChild(GtkFlowBoxChild* child) {
    if (child) model_.selectFavorite(std::size_t(gtk_flow_box_child_get_index(child)));
  }

  // A press on a tile selects it; a double click uses it once the button is up
  // again: switching screens under a held button would leave the pointer
  // grabbed by a grid that is no longer shown. GTK 4.8 sometimes reports the
  // second press of a double click that comes soon after a press elsewhere as a
  // first press again, so the same tile pressed again in time counts here too.
  static void tilePressed(GtkGestureClick* gesture, int presses, double x, double y, gpointer data) {
    auto* self = static_cast<FavoritesScreen*>(data);
    GtkFlowBoxChild* child = gtk_flow_box_get_child_at_pos(self->grid_, int(x), int(y));
    const int index = child ? gtk_flow_box_child_get_index(child) : -1;
    const guint32 time = gtk_event_controller_get_current_event_time(GTK_EVENT_CONTROLLER(gesture));
    int doubleClickTime = 400;
    g_object_get(gtk_widget_get_settings(GTK_WIDGET(self->grid_)), "gtk-double-click-time", &doubleClickTime, nullptr);
    const bool again =
        index >= 0 && index == self->lastPressed_ && time - self->lastPressTime_ <= guint32(doubleClickTime);
    self->lastPressed_ = again ? -1 : index;  // a third press starts over
    self->lastPressTime_ = time;
    self->doubleClick_ = presses == 2 || again;
    if (self->doubleClick_ && index >= 0) {
      self->pendingUse_ = index;
    } else if (presses == 1) {
      self->selectChild(child);
    }
  }

  static gboolean buttonEvent(GtkEventControllerLegacy*, GdkEvent* event, gpointer data) {
    auto* self = static_cast<FavoritesScreen*>(data);
    if (gdk_event_get_event_type(event) != GDK_BUTTON_RELEASE) return false;
    self->doubleClick_ = false;
    if (int index = std::exchange(self->pendingUse_, -1); index >= 0) self->model_.useFavorite(std::size_t(index));
    return false;
  }

  static gboolean cursorMoved(GtkFlowBox* grid, GtkMovementStep, int, gboolean, gboolean, gpointer data) {
    static_cast<FavoritesScreen*>(data)->selectChild(GTK_FLOW_BOX_CHILD(gtk_widget_get_focus_child(GTK_WIDGET(grid))));
    return true;
  }

  static void cursorToggled(GtkFlowBox* grid, gpointer data) {
    static_cast<FavoritesScreen*>(data)->selectChild(GTK_FLOW_BOX_CHILD(gtk_widget_get_focus_child(GTK_WIDGET(grid))));
  }

  // Return and Space on a tile; a double click, already pending, is used in buttonEvent.
  static void activated(GtkFlowBox*, GtkFlowBoxChild* child, gpointer data) {
    auto* self = static_cast<FavoritesScreen*>(data);
    if (!self->doubleClick_) self->model_.useFavorite(std::size_t(gtk_flow_box_child_get_index(child)));
  }

  // A press beside every tile (between them, or below the grid) clears the selection.
  static void pressed(GtkGestureClick*, int, double x, double y, gpointer data) {
    auto* self = static_cast<FavoritesScreen*>(data);
    GtkWidget* target = gtk_widget_pick(self->scroller_, x, y, GTK_PICK_DEFAULT);
    if (target && !gtk_widget_get_ancestor(target, GTK_TYPE_FLOW_BOX_CHILD) &&
        !gtk_widget_get_ancestor(target, GTK_TYPE_SCROLLBAR)) {
      self->model_.clearFavoriteSelection();
    }
  }

  frontend::WizardModel& model_;
  GtkFlowBox* grid_ = nullptr;
  GtkWidget* scroller_ = nullptr;
  bool doubleClick_ = false;
  int pendingUse_ = -1;
  int lastPressed_ = -1;
  guint32 lastPressTime_ = 0;
};

}  // namespace

std::unique_ptr<ScreenView> makeFavoritesScreen(frontend::WizardModel& model, const frontend::ImageLoader& imageNamed) {
  return std::make_unique<FavoritesScreen>(model, imageNamed);
}

}  // namespace views
