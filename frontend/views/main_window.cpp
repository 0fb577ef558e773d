#include "frontend/views/main_window.hpp"

#include <memory>

#include "frontend/views/content_view.hpp"
#include "frontend/views/mailing_list_prompt_presenter.hpp"
#include "frontend/views/settings_titlebar_button.hpp"
#include "frontend/views/titlebar_accessories.hpp"
#include "frontend/views/view_type.hpp"
#include "platform/gobject_ptr.hpp"

struct NimbrelMainWindowPrivate {
  platform::GRef<GCancellable> cancellable = platform::adoptGRef(g_cancellable_new());
  GtkWidget* contentView = nullptr;
  std::unique_ptr<MailingListPromptPresenter> prompt;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelMainWindow, nimbrel_main_window, ADW_TYPE_APPLICATION_WINDOW, AdwApplicationWindow)

static void nimbrel_main_window_dispose(GObject* object) {
  auto* priv = NIMBREL_MAIN_WINDOW(object)->priv;
  g_cancellable_cancel(priv->cancellable.get());
  priv->prompt.reset();
  gtk_widget_dispose_template(GTK_WIDGET(object), NIMBREL_TYPE_MAIN_WINDOW);
  G_OBJECT_CLASS(nimbrel_main_window_parent_class)->dispose(object);
}

static void nimbrel_main_window_class_setup(NimbrelMainWindowClass* klass) {
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  G_OBJECT_CLASS(klass)->dispose = nimbrel_main_window_dispose;
  gtk_widget_class_set_template_from_resource(widgetClass, "/co/corvan/nimbrel/main_window.ui");
  for (const char* child : {"overlay", "header_bar", "accessories", "menu_button"}) {
    gtk_widget_class_bind_template_child_full(widgetClass, child, FALSE, 0);
  }
}

static void nimbrel_main_window_setup(NimbrelMainWindow* self) { gtk_widget_init_template(GTK_WIDGET(self)); }

GtkWidget* nimbrel_main_window_new(GtkApplication* application, GMenuModel* menu,
                                   frontend::MailingListManager& mailingList, frontend::Updater& updater) {
  auto* self = NIMBREL_MAIN_WINDOW(g_object_new(NIMBREL_TYPE_MAIN_WINDOW, "application", application, nullptr));
  auto* widget = GTK_WIDGET(self);
  auto child = [widget](const char* name) {
    return GTK_WIDGET(gtk_widget_get_template_child(widget, NIMBREL_TYPE_MAIN_WINDOW, name));
  };
  auto* priv = self->priv;
  gtk_menu_button_set_menu_model(GTK_MENU_BUTTON(child("menu_button")), menu);
  nimbrel_window_set_titlebar_accessories(GTK_WINDOW(self), child("accessories"));

  GtkWidget* content = nimbrel_content_view_new(priv->cancellable.get());
  priv->contentView = content;
  gtk_overlay_set_child(GTK_OVERLAY(child("overlay")), content);
  gtk_header_bar_pack_start(GTK_HEADER_BAR(child("header_bar")),
                            nimbrel_content_view_get_navigation_items(NIMBREL_CONTENT_VIEW(content)));
  // The gear's installer; the wizard may carry one as well, and the window
  // still gets one gear.
  gtk_overlay_add_overlay(GTK_OVERLAY(child("overlay")), nimbrel_settings_titlebar_button_new());

  priv->prompt = std::make_unique<MailingListPromptPresenter>(content, mailingList, [&mailingList, &updater] {
    mailingList.isUpdateInProgress = [&updater] { return updater.sessionInProgress(); };
  });
  return widget;
}

GtkWidget* nimbrel_main_window_get_content_view(NimbrelMainWindow* self) { return self->priv->contentView; }
