#pragma once
// ContentView: the one view of Nimbrel's main window, the build wizard.
// The shell creates it, puts its navigation items ("Back", "Configure") at
// the start of the window's header bar, and hosts it as the window's child.

#include <gtk/gtk.h>

G_BEGIN_DECLS
#define NIMBREL_TYPE_CONTENT_VIEW (nimbrel_content_view_get_type())
G_DECLARE_FINAL_TYPE(NimbrelContentView, nimbrel_content_view, NIMBREL, CONTENT_VIEW, GtkWidget)
G_END_DECLS

// `cancellable` is the window's: cancelled when the window goes, it stops the
// builds and icon searches the view started.
GtkWidget* nimbrel_content_view_new(GCancellable* cancellable);

// The toolbar items for the start of the window's header bar.
GtkWidget* nimbrel_content_view_get_navigation_items(NimbrelContentView* self);
