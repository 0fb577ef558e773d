// What the wizard costs while it idles and when it changes screens, in a real
// window over the real services. Prints figures; judges nothing.
//
//   wizard_bench [SECONDS]   (under a display; NIMBREL_MAIN_BUNDLE=build/Nimbrel.app)
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "frontend/views/liquid.hpp"
#include "frontend/views/screen.hpp"
#include "tests/views/wizard_window.hpp"

namespace {

double processCPUSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadCPUSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + t.tv_nsec / 1e9;
}

double now() { return g_get_monotonic_time() / 1e6; }

struct Idle {
  double cpuPercent, blobFramesPerSecond;
};

Idle measureIdle(NimbrelContentView* view, double seconds) {
  auto* top = NIMBREL_LIQUID(nimbrel_screen_get_layer(
      NIMBREL_SCREEN(nimbrel_content_view_get_screen(view, nimbrel_content_view_get_model(view).selectedView())), 3));
  guint64 frames = top ? nimbrel_liquid_get_frames_drawn(top) : 0;
  double cpu = processCPUSeconds(), start = now();
  // A plain main loop, so the measuring itself costs nothing.
  GMainLoop* loop = g_main_loop_new(nullptr, false);
  g_timeout_add(guint(seconds * 1000), [](gpointer l) -> gboolean {
    g_main_loop_quit(static_cast<GMainLoop*>(l));
    return G_SOURCE_REMOVE;
  }, loop);
  g_main_loop_run(loop);
  g_main_loop_unref(loop);
  double wall = now() - start;
  guint64 drawn = top ? nimbrel_liquid_get_frames_drawn(top) - frames : 0;
  return {100 * (processCPUSeconds() - cpu) / wall, double(drawn) / wall};
}

// Main-thread CPU from an action until the frame that shows it has been painted.
double switchCost(GtkWindow* window, const std::function<void()>& action) {
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window));
  bool painted = false;
  gulong handler = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer flag) {
                                      *static_cast<bool*>(flag) = true;
                                    }),
                                    &painted);
  double start = threadCPUSeconds();
  action();
  gtk_widget_queue_draw(GTK_WIDGET(window));
  views_testing::runUntil([&] { return painted; }, std::chrono::seconds(5));
  double cost = threadCPUSeconds() - start;
  g_signal_handler_disconnect(clock, handler);
  return cost * 1000;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
  if (!gtk_init_check()) return 1;
  const char* renderer = g_getenv("GSK_RENDERER");
  double built = threadCPUSeconds();
  auto w = views_testing::makeWizardWindow();
  views_testing::settle(50);
  std::printf("renderer %s; wizard built and first shown in %.0f ms of main-thread CPU\n",
              renderer ? renderer : "(GTK's choice)", (threadCPUSeconds() - built) * 1000);

  auto idle = measureIdle(w.view, seconds);
  std::printf("idle on the website screen: %.1f %% of one core, blobs at %.1f frames per second\n", idle.cpuPercent,
              idle.blobFramesPerSecond);
  gtk_widget_set_visible(GTK_WIDGET(w.window), false);
  views_testing::settle(10);
  auto hidden = measureIdle(w.view, seconds);
  std::printf("window hidden: %.1f %% of one core\n", hidden.cpuPercent);
  gtk_window_present(w.window);
  views_testing::settle(20);

  frontend::WizardModel& model = nimbrel_content_view_get_model(w.view);
  model.editUrl("example.org");
  model.editName("Example");
  struct Step {
    const char* name;
    std::function<void()> action;
  };
  const std::vector<Step> steps = {
      {"website → name", [&] { model.continueToName(); }},
      {"name → icon", [&] { model.nameNext(); }},
      {"icon → save", [&] { model.iconNext(); }},
      {"save → icon", [&] { model.previousScreen(); }},
      {"icon → name", [&] { model.previousScreen(); }},
      {"name → website", [&] { model.previousScreen(); }},
      {"website → ready-made apps", [&] { model.showFavorites(); }},
      {"ready-made apps → website", [&] { model.previousScreen(); }},
  };
  std::vector<std::vector<double>> costs(steps.size());
  for (int round = 0; round < 6; ++round) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      costs[i].push_back(switchCost(w.window, steps[i].action));
      views_testing::settle(3);
    }
  }
  std::printf("screen switch, main-thread CPU up to the painted frame (first time | median of the next 5), ms:\n");
  for (std::size_t i = 0; i < steps.size(); ++i) {
    std::vector<double> later(costs[i].begin() + 1, costs[i].end());
    std::sort(later.begin(), later.end());
    std::printf("  %-28s %6.1f | %5.1f\n", steps[i].name, costs[i][0], later[later.size() / 2]);
  }
  gtk_window_destroy(w.window);
  return 0;
}
