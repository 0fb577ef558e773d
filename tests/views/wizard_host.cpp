// The wizard in a window of its own, over the real services, for the journeys
// that drive it as a user would.
#include "wizard_window.hpp"

int main() {
  if (!gtk_init_check()) return 1;
  auto w = views_testing::makeWizardWindow();
  bool closed = false;
  g_signal_connect(w.window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer flag) { *static_cast<bool*>(flag) = true; }),
                   &closed);
  while (!closed) g_main_context_iteration(nullptr, true);
  return 0;
}
