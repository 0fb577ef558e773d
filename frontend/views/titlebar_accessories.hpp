#pragma once
// A window's title-bar accessories: a box at the end of its header bar that
// views may add controls to (the settings gear goes there). The main window
// names its own; any other window with a GtkHeaderBar as its title bar gets
// one on first use.

#include <gtk/gtk.h>

void nimbrel_window_set_titlebar_accessories(GtkWindow* window, GtkWidget* box);
// Nothing when the window has no header bar to hold accessories.
GtkWidget* nimbrel_window_get_titlebar_accessories(GtkWindow* window);
