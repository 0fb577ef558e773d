#pragma once
// Real GTK windows in the test process: GTK and Nimbrel's views set up once,
// widgets found in a window's tree, and every toplevel destroyed after a test.

#include <gtk/gtk.h>

#include <functional>
#include <vector>

#include "frontend/views/views_init.hpp"
#include "platform/dispatch.hpp"

namespace views_testing {

inline bool initViews() {
  if (!gtk_init_check()) return false;
  nimbrel_views_init();
  return true;
}

inline std::vector<GtkWidget*> toplevels() {
  std::vector<GtkWidget*> out;
  GListModel* list = gtk_window_get_toplevels();
  for (guint i = 0; i < g_list_model_get_n_items(list); ++i) {
    auto* window = static_cast<GtkWidget*>(g_list_model_get_item(list, i));
    out.push_back(window);
    g_object_unref(window);
  }
  return out;
}

// Widgets below `root` (itself included) that `match` accepts, in tree order.
inline std::vector<GtkWidget*> find(GtkWidget* root, const std::function<bool(GtkWidget*)>& match) {
  std::vector<GtkWidget*> out;
  if (match(root)) out.push_back(root);
  for (GtkWidget* child = gtk_widget_get_first_child(root); child; child = gtk_widget_get_next_sibling(child)) {
    auto below = find(child, match);
    out.insert(out.end(), below.begin(), below.end());
  }
  return out;
}

template <typename Check>
GtkWidget* findOne(GtkWidget* root, Check check) {
  auto found = find(root, check);
  return found.size() == 1 ? found.front() : nullptr;
}

// Lets posted work, idle callbacks and redraws run (a bounded number of turns:
// a spinner keeps the loop busy forever).
inline void settle() {
  bool done = false;
  platform::postToMain([&] { done = true; });
  platform::runMainLoopUntil([&] { return done; });
  for (int i = 0; i < 100 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

// Runs the main loop until `done` or the limit, whichever comes first; what
// `done` says at the end. A slow machine gets time, a fault no endless wait.
inline bool waitFor(const std::function<bool()>& done, double seconds = 30) {
  bool expired = false;
  guint limit = g_timeout_add(static_cast<guint>(seconds * 1000), [](gpointer flag) {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
  }, &expired);
  platform::runMainLoopUntil([&] { return expired || done(); });
  if (!expired) g_source_remove(limit);
  return done();
}

// Keys pressed as a user would, through the X server, into the focused window
// (the one presented last). False when xdotool is missing.
inline bool pressKeys(const char* keys) {
  const char* argv[] = {"xdotool", "key", "--clearmodifiers", keys, nullptr};
  int status = -1;
  if (!g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                    nullptr, &status, nullptr)) {
    return false;
  }
  return g_spawn_check_wait_status(status, nullptr);
}

inline void destroyToplevels() {
  for (GtkWidget* window : toplevels()) gtk_window_destroy(GTK_WINDOW(window));
  settle();
}

}  // namespace views_testing
