// A 50 MiB file saved through the export bridge (a blob: link clicked by the
// page) against a 50 MiB ordinary download of the same bytes, in the same run:
// time from the go signal until the whole file is in Downloads, and the peak
// PSS of the app's process tree above its idle footprint.
//
// Usage: runlet_export_bench [runs] [RUNLET_BUNDLE] (under a display, e.g.
//   xvfb-run -a dbus-run-session); RUNLET_BUNDLE is another build's Runlet.app.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "bench/runlet/bench_support.hpp"
#include "bench/runlet/process_tree.hpp"

namespace {

using namespace bench;

constexpr size_t kSize = 50 * 1024 * 1024;

const char* kPage = R"(<!doctype html><meta charset=utf-8><body><script>
(async () => {
  const mode = new URLSearchParams(location.search).get('mode');
  // The page has its file ready before the clock starts, as an app would
  // have the data it exports; what follows the click is the bridge's cost.
  let url = null;
  if (mode === 'export') {
    let bytes = new Uint8Array(%SIZE%);
    for (let i = 0; i < bytes.length; i++) bytes[i] = (i * 7) % 251;
    url = URL.createObjectURL(new Blob([bytes]));
    bytes = null;
  }
  await fetch('/go?who=' + new URLSearchParams(location.search).get('who'));
  if (mode === 'export') {
    const a = document.createElement('a');
    a.href = url;
    a.download = 'big.bin';
    a.click();
  } else {
    location.href = '/big.bin';
  }
})();
</script>)";

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 3;
  fs::path templateApp = argc > 2 ? fs::path(argv[2]) : fs::path(RUNLET_TEMPLATE_DIR);
  fs::path work = fs::temp_directory_path() / ("runlet-export-bench-" + std::to_string(::getpid()));
  BeaconServer server;
  std::mutex mutex;
  std::condition_variable released;
  std::set<std::string> goAhead;

  std::string page = kPage;
  page.replace(page.find("%SIZE%"), 6, std::to_string(kSize));
  server.routes().Get("/page", [&](const httplib::Request&, httplib::Response& res) { res.set_content(page, "text/html"); });
  server.routes().Get("/go", [&](const httplib::Request& req, httplib::Response& res) {
    std::unique_lock lock(mutex);
    released.wait_for(lock, std::chrono::seconds(120), [&] { return goAhead.count(req.get_param_value("who")) > 0; });
    res.set_content("go", "text/plain");
  });
  server.routes().Get("/big.bin", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Disposition", "attachment; filename=big.bin");
    res.set_content_provider(kSize, "application/octet-stream", [](size_t offset, size_t length, httplib::DataSink& sink) {
      std::string chunk(std::min<size_t>(length, 1 << 20), '\0');
      for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>((offset + i) * 7 % 251);
      sink.write(chunk.data(), chunk.size());
      return true;
    });
  });

  struct Result {
    std::vector<double> seconds, peakMiB, idleMiB;
  };
  std::map<std::string, Result> results;
  for (int run = 0; run < runs; ++run) {
    for (std::string mode : {"export", "download"}) {
      std::string who = mode + std::to_string(run);
      fs::path home = work / who;
      fs::path exe = makeGeneratedApp(templateApp, home, "Export",
                                      {{"name", "Export"}, {"url", server.url("/page?mode=" + mode + "&who=" + who)}});
      pid_t pid = spawnWithHome({exe.string()}, home);
      if (!pid || !server.waitFor("/go?" + who, std::chrono::seconds(120))) {
        std::printf("%s run %d: the page did not get ready\n", mode.c_str(), run);
        if (pid) endTree(pid);
        continue;
      }
      std::this_thread::sleep_for(std::chrono::seconds(2));
      double idle = treePssKiB(pid) / 1024.0;
      std::map<std::string, double> idleOf;  // per program, to say where the copies are
      for (pid_t p : processTree(pid)) idleOf[commandName(p)] += pssKiB(p) / 1024.0;
      std::atomic<bool> sampling{true};
      std::atomic<double> peak{idle};
      std::map<std::string, double> peakOf;
      std::thread sampler([&] {
        while (sampling) {
          double now = 0;
          std::map<std::string, double> byName;
          for (pid_t p : processTree(pid)) {
            double mib = pssKiB(p) / 1024.0;
            now += mib;
            byName[commandName(p)] += mib;
          }
          if (now > peak) peak = now;
          for (auto& [name, mib] : byName) peakOf[name] = std::max(peakOf[name], mib);
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
      });
      auto start = Clock::now();
      {
        std::lock_guard lock(mutex);
        goAhead.insert(who);
      }
      released.notify_all();
      fs::path target = home / "Downloads/big.bin";
      bool done = false;
      while (!done && Clock::now() - start < std::chrono::seconds(120)) {
        std::error_code ec;
        done = fs::file_size(target, ec) == kSize && !ec;
        if (!done) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      sampling = false;
      sampler.join();
      if (done) {
        results[mode].seconds.push_back(seconds);
        results[mode].peakMiB.push_back(peak - idle);
        results[mode].idleMiB.push_back(idle);
        std::printf("  %-8s run %d: %5.2f s, idle %6.1f MiB, peak above idle %6.1f MiB (%.1fx the file)\n", mode.c_str(),
                    run, seconds, idle, peak - idle, (peak - idle) / 50.0);
        for (auto& [name, mib] : peakOf) {
          if (mib - idleOf[name] >= 5) std::printf("           %-24s +%6.1f MiB at its peak\n", name.c_str(), mib - idleOf[name]);
        }
      } else {
        std::printf("  %-8s run %d: the file did not arrive\n", mode.c_str(), run);
      }
      endTree(pid);
      std::error_code ec;
      fs::remove_all(home, ec);
    }
  }
  std::printf("\nmedians of %d runs, 50 MiB file (target: peak above idle <= 2x the file for the export)\n", runs);
  for (auto& [mode, r] : results) {
    std::printf("  %-8s %5.2f s, peak above idle %6.1f MiB (%.1fx)\n", mode.c_str(), median(r.seconds),
                median(r.peakMiB), median(r.peakMiB) / 50.0);
  }
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
