// Start-up of a generated app next to a bare WebKitGTK window (as it comes,
// and with GL off as Runlet runs without a GPU) and Chromium's app mode, all
// showing the same loopback page (~21.5 KB of text and a ~54 KB image).
//
// Per fresh launch: exec → the page's load event and → its first frame after
// load (two animation frames later), both seen as beacons the page requests;
// CPU time (user + system) of the program's whole process tree when the page
// is shown; PSS and CPU time of the tree 5 s after load. Medians of
// interleaved runs.
//
// Usage: runlet_startup_bench [runs] [LABEL=RUNLET_BUNDLE ...]
//   (under a display, e.g. xvfb-run -a dbus-run-session). Each LABEL=BUNDLE
//   adds another Runlet build (a Runlet.app folder) to compare, such as the
//   template of an earlier commit.
#include <cairo.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "bench/runlet/bench_support.hpp"
#include "bench/runlet/process_tree.hpp"

namespace {

using namespace bench;

std::string pageFor(const std::string& who) {
  std::string text;
  for (int i = 0; text.size() < 21000; ++i) {
    text += "<p>Paragraph " + std::to_string(i) +
            ": the quick brown fox jumps over the lazy dog while the template shows one site in one window.</p>\n";
  }
  return "<!doctype html><html><head><meta charset=utf-8><title>Bench</title></head><body>"
         "<h1>Bench page</h1><img src='/picture.png?who=" + who + "' width=320 height=200>" + text +
         "<script>addEventListener('load', () => { new Image().src = '/loaded?who=" + who + "';"
         " requestAnimationFrame(() => requestAnimationFrame(() => { new Image().src = '/shown?who=" + who +
         "'; })); });</script></body></html>";
}

// A picture that compresses like a photo: a gradient with noise.
std::string picturePNG() {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 320, 200);
  auto* pixels = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface));
  int stride = cairo_image_surface_get_stride(surface) / 4;
  uint32_t seed = 1;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) {
      seed = seed * 1103515245 + 12345;
      uint32_t noise = (seed >> 16) & 0x0F;
      pixels[y * stride + x] = ((x * 255 / 320 + noise) << 16) | ((y * 255 / 200 + noise) << 8) | (128 + noise);
    }
  }
  cairo_surface_mark_dirty(surface);
  std::string png;
  cairo_surface_write_to_png_stream(surface, [](void* out, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
  }, &png);
  cairo_surface_destroy(surface);
  return png;
}

struct Candidate {
  std::string name;
  std::function<pid_t(const fs::path& home, const std::string& url)> start;
  std::vector<double> loadMs, shownMs, cpuShown, cpu5s, mib;
};

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 7;
  fs::path work = fs::temp_directory_path() / ("runlet-bench-" + std::to_string(::getpid()));
  fs::path bare = fs::path(BARE_WINDOW_PATH);
  BeaconServer server;
  std::string png = picturePNG();
  server.routes().Get("/page", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(pageFor(req.get_param_value("who")), "text/html");
  });
  server.routes().Get("/picture.png", [&](const httplib::Request&, httplib::Response& res) { res.set_content(png, "image/png"); });
  server.routes().Get("/shown", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "image/gif"); });

  std::vector<std::pair<std::string, fs::path>> runlets = {{"Runlet", fs::path(RUNLET_TEMPLATE_DIR)}};
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (auto eq = arg.find('='); eq != std::string::npos) runlets.emplace_back(arg.substr(0, eq), arg.substr(eq + 1));
  }
  std::vector<Candidate> candidates;
  for (const auto& [label, bundle] : runlets) {
    candidates.push_back({label, [bundle](const fs::path& home, const std::string& url) {
                            fs::path exe = makeGeneratedApp(bundle, home, "Bench",
                                                            {{"name", "Bench"}, {"type", "url"}, {"url", url}});
                            return spawnWithHome({exe.string()}, home);
                          }, {}, {}, {}, {}, {}});
  }
  candidates.push_back({"bare WebKitGTK window", [&](const fs::path& home, const std::string& url) {
                          return spawnWithHome({bare.string(), url}, home);
                        }, {}, {}, {}, {}, {}});
  candidates.push_back({"bare window, GL off", [&](const fs::path& home, const std::string& url) {
                          return spawnWithHome({bare.string(), "--no-gl", url}, home, {"GSK_RENDERER=cairo"});
                        }, {}, {}, {}, {}, {}});
  if (access("/usr/bin/chromium", X_OK) == 0) {
    candidates.push_back({"chromium --app", [&](const fs::path& home, const std::string& url) {
                            return spawnWithHome({"/usr/bin/chromium", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                                  "--disable-background-networking", "--disable-component-update",
                                                  "--disable-sync", "--user-data-dir=" + (home / "profile").string(),
                                                  "--app=" + url},
                                                 home);
                          }, {}, {}, {}, {}, {}});
  } else {
    std::printf("chromium not installed (scripts/setup --bench): compared with the bare windows only\n");
  }

  auto since = [](Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
  };
  for (int run = 0; run < runs; ++run) {
    for (size_t c = 0; c < candidates.size(); ++c) {
      std::string who = std::to_string(run) + "-" + std::to_string(c);
      fs::path home = work / who;
      auto& cand = candidates[c];
      auto started = Clock::now();
      pid_t pid = cand.start(home, server.url("/page?who=" + who));
      auto loaded = server.waitFor("/loaded?" + who, std::chrono::seconds(60));
      auto shown = loaded ? server.waitFor("/shown?" + who, std::chrono::seconds(10)) : std::nullopt;
      if (!pid || !loaded || !shown) {
        std::printf("%s: run %d did not load\n", cand.name.c_str(), run);
      } else {
        cand.cpuShown.push_back(treeCpuSeconds(pid));
        cand.loadMs.push_back(since(started, *loaded));
        cand.shownMs.push_back(since(started, *shown));
        std::this_thread::sleep_until(*loaded + std::chrono::seconds(5));
        cand.mib.push_back(treePssKiB(pid) / 1024.0);
        cand.cpu5s.push_back(treeCpuSeconds(pid));
        std::printf("  %-24s run %d: load %5.0f ms  shown %5.0f ms  CPU %.2f s / %.2f s  %6.1f MiB\n", cand.name.c_str(),
                    run, cand.loadMs.back(), cand.shownMs.back(), cand.cpuShown.back(), cand.cpu5s.back(),
                    cand.mib.back());
      }
      if (pid) endTree(pid);
      std::error_code ec;
      fs::remove_all(home, ec);
    }
  }
  std::printf("\nmedians of %d runs: exec → load event, exec → first frame after load, CPU of the process tree\n"
              "when shown and 5 s after load, PSS of the tree 5 s after load\n", runs);
  for (const auto& c : candidates) {
    std::printf("  %-24s load %5.0f ms  shown %5.0f ms  CPU %.2f s / %.2f s  %6.1f MiB\n", c.name.c_str(),
                median(c.loadMs), median(c.shownMs), median(c.cpuShown), median(c.cpu5s), median(c.mib));
  }
  auto find = [&](const std::string& name) -> const Candidate* {
    for (const auto& c : candidates) {
      if (c.name == name) return &c;
    }
    return nullptr;
  };
  const Candidate* runlet = &candidates[0];
  if (const Candidate* noGL = find("bare window, GL off")) {
    std::printf("  Runlet/bare GL off: load %.2f (target <= 1.0)\n", median(runlet->loadMs) / median(noGL->loadMs));
  }
  if (const Candidate* chrome = find("chromium --app")) {
    std::printf("  Runlet/Chromium: load %.2f (target <= 0.85), CPU when shown %.2f (target <= 1), PSS %.2f (target <= 0.65)\n",
                median(runlet->loadMs) / median(chrome->loadMs), median(runlet->cpuShown) / median(chrome->cpuShown),
                median(runlet->mib) / median(chrome->mib));
  }
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
