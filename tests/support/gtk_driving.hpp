#pragma once
// Driving real GTK windows on the test display: the main loop run until
// something holds, widget trees, and pointer and keys through the X server
// (xdotool), so events arrive as a user's would.

#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// Iterates the main loop until `done`; false at the deadline.
inline bool runUntil(const std::function<bool()>& done,
                     std::chrono::milliseconds deadline = std::chrono::seconds(30)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  // A ticking source, so the deadline is seen even when nothing else happens.
  const guint tick = g_timeout_add(5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool held = false;
  while (!(held = done()) && std::chrono::steady_clock::now() < end) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(tick);
  return held;
}

// Runs xdotool, the main loop running meanwhile; the first line it printed, nothing when it failed.
inline std::optional<std::string> xdotool(const std::vector<std::string>& args) {
  auto run = std::async(std::launch::async, [args] {
    std::vector<char*> argv{const_cast<char*>("xdotool")};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    g_autofree char* out = nullptr;
    int status = 0;
    const bool ok = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, nullptr,
                                 &status, nullptr) && g_spawn_check_wait_status(status, nullptr);
    const std::string text = out ? out : "";
    return ok ? std::optional(text.substr(0, text.find('\n'))) : std::nullopt;
  });
  runUntil([&] { return run.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
           std::chrono::hours(1));
  return run.get();
}

// Every widget below `root` (itself included), popovers too.
inline std::vector<GtkWidget*> descendants(GtkWidget* root) {
  std::vector<GtkWidget*> out{root};
  for (std::size_t i = 0; i < out.size(); ++i) {
    for (GtkWidget* c = gtk_widget_get_first_child(out[i]); c; c = gtk_widget_get_next_sibling(c)) out.push_back(c);
  }
  return out;
}

// Where (x, y) of `widget` is in its window's X window, as xdotool's arguments ("0", "0" when unknown).
inline std::vector<std::string> windowPoint(GtkWidget* widget, double x, double y) {
  GtkNative* native = gtk_widget_get_native(widget);
  graphene_point_t in = GRAPHENE_POINT_INIT(static_cast<float>(x), static_cast<float>(y)), out;
  if (!native || !gtk_widget_compute_point(widget, GTK_WIDGET(native), &in, &out)) return {"0", "0"};
  double dx = 0, dy = 0;
  gtk_native_get_surface_transform(native, &dx, &dy);
  return {std::to_string(static_cast<int>(out.x + dx)), std::to_string(static_cast<int>(out.y + dy))};
}

}  // namespace testing_support
