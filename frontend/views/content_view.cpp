#include "frontend/views/content_view.hpp"

#include <array>

#include "frontend/notification_center.hpp"
#include "frontend/signing_settings.hpp"
#include "frontend/views/content_view_private.hpp"
#include "frontend/views/gtk_wizard_services.hpp"
#include "frontend/views/screen_view.hpp"
#include "frontend/views/settings_sheet.hpp"
#include "frontend/views/symbols.hpp"
#include "frontend/views/view_style.hpp"
#include "frontend/views/view_type.hpp"
#include "frontend/views/wizard_actions.hpp"
#include "platform/gobject_ptr.hpp"

namespace text = frontend::wizard_text;
using frontend::WizardField;

struct NimbrelContentViewPrivate {
  platform::GRef<GCancellable> cancellable;
  platform::GRef<GtkWidget> navigationItems;
  GtkWidget* back = nullptr;
  GtkWidget* configure = nullptr;
  GtkStack* stack = nullptr;
  std::unique_ptr<frontend::WizardServices> services;
  std::unique_ptr<frontend::WizardModel> model;
  platform::GRef<GSimpleActionGroup> actions;
  std::array<std::unique_ptr<views::ScreenView>, 6> screens;
  frontend::Connection modelChanged;
  frontend::Connection settingsChanged;
  frontend::Connection showSettings;
  bool sheetShown = false;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelContentView, nimbrel_content_view, GTK_TYPE_WIDGET, GtkWidget)

namespace {

GtkWidget* toolbarItem(frontend::LabelledSymbol item, bool showTitle, const char* action) {
  GtkWidget* button = gtk_button_new();
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_box_append(GTK_BOX(row), gtk_image_new_from_icon_name(views::iconNameForSymbol(item.symbol)));
  if (showTitle) gtk_box_append(GTK_BOX(row), gtk_label_new(item.label));
  gtk_button_set_child(GTK_BUTTON(button), row);
  gtk_widget_set_tooltip_text(button, item.label);
  gtk_accessible_update_property(GTK_ACCESSIBLE(button), GTK_ACCESSIBLE_PROPERTY_LABEL, item.label, -1);
  gtk_actionable_set_action_name(GTK_ACTIONABLE(button), action);
  return button;
}

// Hidden items are transparent and take no input, but keep their place in the bar.
void setItemShown(GtkWidget* item, bool shown) {
  gtk_widget_set_opacity(item, shown ? 1.0 : 0.0);
  gtk_widget_set_can_target(item, shown);
  gtk_widget_set_can_focus(item, shown);
  gtk_accessible_update_state(GTK_ACCESSIBLE(item), GTK_ACCESSIBLE_STATE_HIDDEN, !shown, -1);
}

void presentSettings(NimbrelContentView* self) {
  auto* priv = self->priv;
  if (priv->sheetShown) return;
  auto* window = GTK_WINDOW(gtk_widget_get_root(GTK_WIDGET(self)));
  if (!window) {
    priv->model->setShowSettings(false);
    return;
  }
  priv->sheetShown = true;
  platform::WeakRef<NimbrelContentView> weak(self);
  nimbrel_present_settings_sheet(window, frontend::SigningSettings::shared(), [weak] {
    if (auto view = weak.get()) {
      view->priv->sheetShown = false;
      view->priv->model->setShowSettings(false);
    }
  });
}

void modelChanged(NimbrelContentView* self, const frontend::WizardChanges& changes) {
  auto* priv = self->priv;
  const frontend::WizardModel& model = *priv->model;
  views::updateWizardActions(priv->actions.get(), model);
  for (auto& screen : priv->screens) screen->update(model, changes);
  if (changes.contains(WizardField::selectedView)) {
    int index = model.selectedView();
    // Screen readers (and anything else reading the accessibility tree) see the shown screen only.
    for (std::size_t i = 0; i < priv->screens.size(); ++i) {
      gtk_accessible_update_state(GTK_ACCESSIBLE(priv->screens[i]->widget()), GTK_ACCESSIBLE_STATE_HIDDEN,
                                  int(i) != index, -1);
    }
    if (index >= 0 && index < int(priv->screens.size())) {
      const auto& screen = priv->screens[std::size_t(index)];
      gtk_stack_set_visible_child(priv->stack, screen->widget());
      if (GtkWidget* focus = screen->initialFocus()) {
        gtk_widget_grab_focus(focus);
      } else {
        gtk_widget_child_focus(screen->widget(), GTK_DIR_TAB_FORWARD);
      }
    }
  }
  setItemShown(priv->back, model.backVisible());
  setItemShown(priv->configure, model.configureVisible());
  if (changes.contains(WizardField::showSettings) && model.showSettings()) presentSettings(self);
}

}  // namespace

static void nimbrel_content_view_dispose(GObject* object) {
  auto* self = NIMBREL_CONTENT_VIEW(object);
  auto* priv = self->priv;
  priv->showSettings.disconnect();
  priv->settingsChanged.disconnect();
  priv->modelChanged.disconnect();
  // The navigation items may live on in the header bar; they must not reach a model that is gone.
  if (priv->navigationItems) gtk_widget_insert_action_group(priv->navigationItems.get(), views::kWizardActionPrefix, nullptr);
  priv->navigationItems.reset();
  while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(self))) gtk_widget_unparent(child);
  G_OBJECT_CLASS(nimbrel_content_view_parent_class)->dispose(object);
}

static void nimbrel_content_view_class_setup(NimbrelContentViewClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = nimbrel_content_view_dispose;
  gtk_widget_class_set_layout_manager_type(GTK_WIDGET_CLASS(klass), GTK_TYPE_BIN_LAYOUT);
  gtk_widget_class_set_css_name(GTK_WIDGET_CLASS(klass), "wizard");
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), GTK_ACCESSIBLE_ROLE_GROUP);
}

static void nimbrel_content_view_setup(NimbrelContentView* self) {
  views::ensureStyle(gtk_widget_get_display(GTK_WIDGET(self)));
}

GtkWidget* nimbrel_content_view_new_with_services(GCancellable* cancellable, NimbrelServicesFactory makeServices) {
  auto* self = NIMBREL_CONTENT_VIEW(g_object_new(NIMBREL_TYPE_CONTENT_VIEW, nullptr));
  auto* priv = self->priv;
  priv->cancellable = platform::GRef<GCancellable>::retain(cancellable);
  priv->services = makeServices(GTK_WIDGET(self));
  priv->model = std::make_unique<frontend::WizardModel>(*priv->services);
  frontend::WizardModel& model = *priv->model;
  priv->actions = views::createWizardActions(model);
  gtk_widget_insert_action_group(GTK_WIDGET(self), views::kWizardActionPrefix, G_ACTION_GROUP(priv->actions.get()));

  GtkWidget* items = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  priv->navigationItems = platform::GRef<GtkWidget>::retain(items);
  priv->back = toolbarItem(text::back, true, "wizard.previousScreen");
  gtk_widget_add_css_class(priv->back, "flat");
  priv->configure = toolbarItem(text::configure, false, "wizard.configureFavorite");
  // Bordered, also where header bars draw their buttons flat.
  gtk_widget_add_css_class(priv->configure, "raised");
  gtk_box_append(GTK_BOX(items), priv->back);
  gtk_box_append(GTK_BOX(items), priv->configure);
  gtk_widget_insert_action_group(items, views::kWizardActionPrefix, G_ACTION_GROUP(priv->actions.get()));

  GtkWidget* stack = gtk_stack_new();
  priv->stack = GTK_STACK(stack);
  gtk_stack_set_transition_type(priv->stack, GTK_STACK_TRANSITION_TYPE_NONE);
  auto imageNamed = [services = priv->services.get()](const std::string& name) { return services->imageNamed(name); };
  priv->screens = {views::makeWebsiteScreen(model), views::makeNameScreen(model),      views::makeIconScreen(model),
                   views::makeSaveScreen(model),    views::makeFavoritesScreen(model, imageNamed),
                   views::makeFinishedScreen(model)};
  for (auto& screen : priv->screens) gtk_stack_add_child(priv->stack, screen->widget());
  gtk_widget_set_parent(stack, GTK_WIDGET(self));

  priv->modelChanged = model.observe([self](const frontend::WizardChanges& changes) { modelChanged(self, changes); });
  // The save screen's signing line follows the settings sheet at once.
  priv->settingsChanged = frontend::SigningSettings::shared().observe([self] {
    frontend::WizardChanges none;
    for (auto& screen : self->priv->screens) screen->update(*self->priv->model, none);
  });
  priv->showSettings = frontend::NotificationCenter::defaultCenter().addObserver(
      frontend::showSettingsNotification, [self] { self->priv->model->setShowSettings(true); });
  modelChanged(self, views::allChanges());
  return GTK_WIDGET(self);
}

GtkWidget* nimbrel_content_view_new(GCancellable* cancellable) {
  return nimbrel_content_view_new_with_services(cancellable, [cancellable](GtkWidget* host) {
    return std::make_unique<views::GtkWizardServices>(host, frontend::SigningSettings::shared(),
                                                      views::GtkWizardServices::IconFetcher(), cancellable);
  });
}

GtkWidget* nimbrel_content_view_get_navigation_items(NimbrelContentView* self) { return self->priv->navigationItems.get(); }
frontend::WizardModel& nimbrel_content_view_get_model(NimbrelContentView* self) { return *self->priv->model; }
GtkWidget* nimbrel_content_view_get_screen(NimbrelContentView* self, int index) {
  return index >= 0 && index < int(self->priv->screens.size()) ? self->priv->screens[std::size_t(index)]->widget()
                                                                : nullptr;
}
GtkWidget* nimbrel_content_view_get_back_item(NimbrelContentView* self) { return self->priv->back; }
GtkWidget* nimbrel_content_view_get_configure_item(NimbrelContentView* self) { return self->priv->configure; }
