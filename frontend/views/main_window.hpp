#pragma once
// Nimbrel's one window: 700×500, not resizable, the wizard filling all of it
// under a header bar that shows no title and no background of its own (the
// window controls, the wizard's navigation items, the main menu and the
// settings gear float over the wizard). The window owns the cancellable of
// every build and icon search the wizard starts.

#include <adwaita.h>

#include "frontend/mailing_list_manager.hpp"
#include "frontend/updater.hpp"

G_BEGIN_DECLS
#define NIMBREL_TYPE_MAIN_WINDOW (nimbrel_main_window_get_type())
G_DECLARE_FINAL_TYPE(NimbrelMainWindow, nimbrel_main_window, NIMBREL, MAIN_WINDOW, AdwApplicationWindow)
G_END_DECLS

// `menu` is the model of the primary menu button. When the wizard first
// shows, the newsletter prompt learns whether an update check is busy and
// records the launch.
GtkWidget* nimbrel_main_window_new(GtkApplication* application, GMenuModel* menu,
                                   frontend::MailingListManager& mailingList, frontend::Updater& updater);

GtkWidget* nimbrel_main_window_get_content_view(NimbrelMainWindow* self);
