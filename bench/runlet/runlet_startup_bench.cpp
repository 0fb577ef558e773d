// Start-up time and memory of a generated app showing a local page, next to a
// bare WebKitGTK window and Chromium's app mode on the same page.
//
// Time: from exec until the page's load event, seen as the beacon the page
// requests from a loopback server. Memory: total PSS of the program's whole
// process tree 5 s after load. Median of interleaved runs.
//
// Usage: runlet_startup_bench [runs] (under a display, e.g. xvfb-run -a dbus-run-session)
#include <cairo.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "bench/runlet/bench_support.hpp"
#include "bench/runlet/process_tree.hpp"

namespace {

using namespace bench;

// A ~20 KiB page with one image that reports its load event.
void writeSite(const fs::path& site, const std::string& beacon) {
  std::string text;
  for (int i = 0; text.size() < 19000; ++i) {
    text += "<p>Paragraph " + std::to_string(i) +
            ": the quick brown fox jumps over the lazy dog while the template shows one site in one window.</p>\n";
  }
  writeFile(site / "index.html", "<!doctype html><html><head><meta charset=utf-8><title>Bench</title></head><body>"
                                 "<h1>Bench page</h1><img src=picture.png width=320 height=200>" + text +
                                 "<script>addEventListener('load', () => { new Image().src = '" + beacon +
                                 "' + '&t=' + Date.now(); });</script></body></html>");
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 320, 200);
  cairo_t* cr = cairo_create(surface);
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 320, 200);
  cairo_pattern_add_color_stop_rgb(gradient, 0, 0.1, 0.4, 0.8);
  cairo_pattern_add_color_stop_rgb(gradient, 1, 0.9, 0.5, 0.1);
  cairo_set_source(cr, gradient);
  cairo_paint(cr);
  cairo_surface_write_to_png(surface, (site / "picture.png").c_str());
  cairo_pattern_destroy(gradient);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

struct Candidate {
  std::string name;
  std::function<pid_t(const fs::path& home, const std::string& who)> start;
  std::vector<double> millis;
  std::vector<double> mib;
};

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  fs::path work = fs::temp_directory_path() / ("runlet-bench-" + std::to_string(::getpid()));
  fs::path templateApp = fs::path(RUNLET_TEMPLATE_DIR);
  fs::path bare = fs::path(BARE_WINDOW_PATH);
  BeaconServer server;

  std::vector<Candidate> candidates;
  candidates.push_back({"Runlet (generated app, local site)", [&](const fs::path& home, const std::string& who) {
                          fs::path exe = makeGeneratedApp(templateApp, home, "Bench",
                                                          {{"name", "Bench"}, {"type", "local"}, {"indexFile", "index.html"}});
                          writeSite(home / "Bench.app/Contents/Resources/Site", server.url("/loaded?who=" + who));
                          return spawnWithHome({exe.string()}, home);
                        }, {}, {}});
  candidates.push_back({"bare WebKitGTK window", [&](const fs::path& home, const std::string& who) {
                          writeSite(home / "site", server.url("/loaded?who=" + who));
                          return spawnWithHome({bare.string(), "file://" + (home / "site/index.html").string()}, home);
                        }, {}, {}});
  if (access("/usr/bin/chromium", X_OK) == 0) {
    candidates.push_back({"chromium --app", [&](const fs::path& home, const std::string& who) {
                            writeSite(home / "site", server.url("/loaded?who=" + who));
                            return spawnWithHome({"/usr/bin/chromium", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                                  "--disable-background-networking", "--disable-component-update",
                                                  "--disable-sync", "--user-data-dir=" + (home / "profile").string(),
                                                  "--app=file://" + (home / "site/index.html").string()},
                                                 home);
                          }, {}, {}});
  } else {
    std::printf("chromium not installed: compared with the bare window only\n");
  }

  for (int run = 0; run < runs; ++run) {
    for (size_t c = 0; c < candidates.size(); ++c) {
      std::string who = std::to_string(run) + "-" + std::to_string(c);
      fs::path home = work / who;
      auto started = Clock::now();
      pid_t pid = candidates[c].start(home, who);
      auto loaded = server.waitFor("/loaded?" + who, std::chrono::seconds(60));
      if (!pid || !loaded) {
        std::printf("%s: run %d did not load\n", candidates[c].name.c_str(), run);
      } else {
        candidates[c].millis.push_back(std::chrono::duration<double, std::milli>(*loaded - started).count());
        std::this_thread::sleep_for(std::chrono::seconds(5));
        candidates[c].mib.push_back(treePssKiB(pid) / 1024.0);
        std::printf("  %-36s run %d: %6.0f ms  %6.1f MiB\n", candidates[c].name.c_str(), run,
                    candidates[c].millis.back(), candidates[c].mib.back());
      }
      if (pid) endTree(pid);
      std::error_code ec;
      fs::remove_all(home, ec);
    }
  }
  std::printf("\nmedians of %d runs (exec → load event; PSS of the process tree 5 s after load)\n", runs);
  for (const auto& c : candidates) {
    std::printf("  %-36s %6.0f ms  %6.1f MiB\n", c.name.c_str(), median(c.millis), median(c.mib));
  }
  if (candidates.size() == 3) {
    double runlet = median(candidates[0].millis), bareMs = median(candidates[1].millis), chrome = median(candidates[2].millis);
    std::printf("  Runlet/Chromium time %.2f (target <= 0.85), Runlet/bare time %.2f (target <= 1.1), "
                "Runlet/Chromium PSS %.2f (target <= 0.7)\n",
                runlet / chrome, runlet / bareMs, median(candidates[0].mib) / median(candidates[2].mib));
  }
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
