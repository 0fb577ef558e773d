// The smallest WebKitGTK 6.0 window program: one window, one web view, one
// URL from the command line, default settings. The start-up bench compares
// Runlet against it; with --no-gl the web view composites without GL, as
// Runlet does where no GPU can be opened.
#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <cstring>

int main(int argc, char** argv) {
  bool noGL = argc > 2 && std::strcmp(argv[1], "--no-gl") == 0;
  if (argc < 2 + (noGL ? 1 : 0)) return 2;
  gtk_init();
  GtkWidget* window = gtk_window_new();
  gtk_window_set_default_size(GTK_WINDOW(window), 1200, 800);
  GtkWidget* view = webkit_web_view_new();
  if (noGL) {
    webkit_settings_set_hardware_acceleration_policy(webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view)),
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  gtk_window_set_child(GTK_WINDOW(window), view);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[argc - 1]);
  gtk_window_present(GTK_WINDOW(window));
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_signal_connect_swapped(window, "destroy", G_CALLBACK(g_main_loop_quit), loop);
  g_main_loop_run(loop);
  g_main_loop_unref(loop);
  return 0;
}
