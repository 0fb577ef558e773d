#pragma once
// Nimbrel as a desktop application: one instance per session (starting it
// again brings back the running one's window), one main window that closing
// only hides, the menus, the update checker started at launch, and the
// newsletter prompt wired to the window. Quit ends it.

#include <gtk/gtk.h>

G_BEGIN_DECLS
#define NIMBREL_TYPE_APPLICATION (nimbrel_application_get_type())
G_DECLARE_FINAL_TYPE(NimbrelApplication, nimbrel_application, NIMBREL, APPLICATION, GtkApplication)
G_END_DECLS

inline constexpr const char* nimbrelApplicationId = "co.corvan.nimbrel";

// Runs the application until it quits; the process's exit status.
int nimbrel_application_run(const char* programName);
