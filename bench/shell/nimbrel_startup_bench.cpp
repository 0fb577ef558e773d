// Start-up time and memory of Nimbrel's window next to GNOME's own GTK 4
// programs, in the same run on the same display.
//
// Time: from exec until the program's first window is on screen with its
// first frame drawn (the window's pixels are no longer one colour). Memory:
// the program's PSS 3 s later, idle. Each run starts the program afresh: new
// settings folders and a new session bus whose accessibility bus is already
// up, as on a desktop. Median of interleaved runs.
//
// The comparison programs are optional: `scripts/setup --bench` installs
// gnome-text-editor and gnome-calculator; missing ones are left out.
//
// Usage: nimbrel_startup_bench [runs] (under a display, e.g. xvfb-run -a)
#include <gio/gio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

// Before Xlib, whose macros (Success, None) clash with the HTTP library's names.
#include "bench/runlet/bench_support.hpp"
#include "bench/runlet/process_tree.hpp"
#include "tests/support/private_session_bus.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace bench;

// A session bus of one run, with the accessibility bus started on it.
class RunBus : public testing_support::PrivateSessionBus {
 public:
  RunBus() {
    if (!ok()) return;
    GVariant* reply = g_dbus_connection_call_sync(connection(), "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                                  "GetAddress", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, 10000,
                                                  nullptr, nullptr);
    if (reply) g_variant_unref(reply);
  }
};

std::optional<pid_t> windowPid(Display* display, Window window) {
  static Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) !=
          Success ||
      !data) {
    return std::nullopt;
  }
  std::optional<pid_t> pid;
  if (count == 1) pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
  XFree(data);
  return pid;
}

// True once a viewable top-level window of `pid` shows more than one colour.
bool firstFrameShown(Display* display, pid_t pid) {
  Window root = DefaultRootWindow(display), parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, root, &root, &parent, &children, &count)) return false;
  bool shown = false;
  for (unsigned int i = 0; i < count && !shown; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable ||
        attributes.width < 100 || attributes.height < 100 || windowPid(display, children[i]) != pid) {
      continue;
    }
    XImage* image = XGetImage(display, children[i], 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image) continue;
    unsigned long first = XGetPixel(image, 0, 0);
    for (int y = 0; y < image->height && !shown; y += 3) {
      for (int x = 0; x < image->width && !shown; x += 3) shown = XGetPixel(image, x, y) != first;
    }
    XDestroyImage(image);
  }
  XFree(children);
  return shown;
}

struct Candidate {
  std::string name;
  std::vector<std::string> argv;
  std::vector<std::string> env;
  std::vector<double> millis, mib;
};

int ignoreXErrors(Display*, XErrorEvent*) { return 0; }  // windows come and go while we look

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "no display: run under xvfb-run -a\n");
    return 1;
  }
  XSetErrorHandler(ignoreXErrors);
  fs::path work = fs::temp_directory_path() / ("nimbrel-startup-bench-" + std::to_string(::getpid()));

  std::vector<Candidate> candidates = {{"nimbrel", {NIMBREL_PATH}, {}, {}, {}}};
  // Each GNOME program as it starts by default, and with the renderer nimbrel
  // picks on a machine without a GPU (cairo, GL not loaded at all).
  const std::vector<std::string> cairo = {"GSK_RENDERER=cairo", "GDK_DEBUG=gl-disable"};
  for (const char* program : {"/usr/bin/gnome-text-editor", "/usr/bin/gnome-calculator"}) {
    if (access(program, X_OK) != 0) continue;
    std::string name = fs::path(program).filename();
    candidates.push_back({name, {program}, {}, {}, {}});
    candidates.push_back({name + " (cairo)", {program}, cairo, {}, {}});
  }

  for (int run = 0; run < runs; ++run) {
    for (auto& candidate : candidates) {
      RunBus bus;
      setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
      fs::path home = work / ("run" + std::to_string(run) + "-" + std::to_string(&candidate - candidates.data()));
      auto start = Clock::now();
      pid_t pid = spawnWithHome(candidate.argv, home, candidate.env);
      bool shown = false;
      while (pid && !shown && Clock::now() - start < std::chrono::seconds(30)) {
        shown = firstFrameShown(display, pid);
        if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      double millis = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      if (shown) {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        double mib = pssKiB(pid) / 1024.0;
        candidate.millis.push_back(millis);
        candidate.mib.push_back(mib);
        std::printf("  %-28s run %d: first frame %6.0f ms, PSS %6.1f MiB\n", candidate.name.c_str(), run, millis, mib);
      } else {
        std::printf("  %-28s run %d: no window within 30 s\n", candidate.name.c_str(), run);
      }
      if (pid) endTree(pid);
      std::error_code ec;
      fs::remove_all(home, ec);
    }
  }
  std::printf("\nmedians of %d runs (targets for nimbrel: first frame <= 300 ms, PSS <= 60 MiB)\n", runs);
  for (const auto& candidate : candidates) {
    std::printf("  %-28s first frame %6.0f ms, PSS %6.1f MiB\n", candidate.name.c_str(), median(candidate.millis),
                median(candidate.mib));
  }
  std::error_code ec;
  fs::remove_all(work, ec);
  XCloseDisplay(display);
  return 0;
}
