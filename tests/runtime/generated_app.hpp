#pragma once
// Generated apps as the user starts them: the built template copied into a
// bundle of its own, run as a separate process with a home folder and a
// session bus of the test's own, against a loopback server.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "platform/gobject_ptr.hpp"
#include "tests/runtime/runlet_harness.hpp"
#include "tests/support/private_session_bus.hpp"

namespace runlet_test {

// One generated app: its bundle and, while it runs, its process.
class GeneratedApp {
 public:
  GeneratedApp(const fs::path& folder, const std::string& name, const std::string& identifier, const std::string& url)
      : bundle(folder / (name + ".app")), identifier_(identifier), executable_(bundle / "Contents/MacOS" / name) {
    fs::create_directories(folder);
    fs::copy(fs::path(NIMBREL_BUNDLE_DIR) / "Contents/Resources/Runlet.app", bundle, fs::copy_options::recursive);
    fs::rename(bundle / "Contents/MacOS/Runlet", executable_);
    auto info = *platform::plist::readFile(bundle / "Contents/Info.plist")->get<platform::plist::Dictionary>();
    info["CFBundleIdentifier"] = identifier;
    info["CFBundleName"] = name;
    info["CFBundleExecutable"] = name;
    testing_support::writeFile(bundle / "Contents/Info.plist", platform::plist::toXML(info));
    setURL(name, url);
  }
  ~GeneratedApp() {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }

  void setURL(const std::string& name, const std::string& url) {
    testing_support::writeFile(bundle / "Contents/Resources/app.plist", platform::plist::toXML(remote(url, name)));
  }

  // `wrapper`: a command line that runs the app as its last argument.
  void start(std::vector<std::string> environment, std::vector<std::string> wrapper = {}) {
    wrapper.push_back(executable_.string());
    auto pointers = [](std::vector<std::string>& strings) {
      std::vector<char*> out;
      for (auto& s : strings) out.push_back(s.data());
      out.push_back(nullptr);
      return out;
    };
    platform::GErrorOut error;
    ASSERT_TRUE(g_spawn_async(nullptr, pointers(wrapper).data(), pointers(environment).data(),
                              GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH), nullptr, nullptr, &pid,
                              error.out()))
        << error.message();
  }

  bool running() {
    if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) pid = 0;
    return pid > 0;
  }

  // Quits through the app's own Quit command, as exported on the session bus.
  void quit(GDBusConnection* bus) {
    std::string path = "/" + identifier_;
    std::replace(path.begin(), path.end(), '.', '/');
    std::replace(path.begin(), path.end(), '-', '_');
    platform::CPtr<GVariant> reply(g_dbus_connection_call_sync(
        bus, identifier_.c_str(), path.c_str(), "org.gtk.Actions", "Activate",
        g_variant_new("(sava{sv})", "quit", nullptr, nullptr), nullptr, G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, nullptr));
  }

  const fs::path bundle;
  GPid pid = 0;
  int status = 0;  // the wait status once the app has ended

 private:
  std::string identifier_;
  fs::path executable_;
};

class GeneratedAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus_.ok()) << "no dbus-daemon for a private session bus";
    home_ = temp_ / "home";
    for (const char* dir : {"data", "cache", "config", "Downloads"}) fs::create_directories(home_ / dir);
    testing_support::writeFile(home_ / "config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n");
  }

  std::vector<std::string> environment() const {
    std::vector<std::string> env = {"HOME=" + home_.string(), "XDG_DATA_HOME=" + (home_ / "data").string(),
                                    "XDG_CACHE_HOME=" + (home_ / "cache").string(),
                                    "XDG_CONFIG_HOME=" + (home_ / "config").string(), "NO_AT_BRIDGE=1",
                                    "DBUS_SESSION_BUS_ADDRESS=" + bus_.address()};
    for (const char* name : {"DISPLAY", "XDG_RUNTIME_DIR", "PATH", "XAUTHORITY", "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
      if (const char* value = g_getenv(name)) env.push_back(std::string(name) + "=" + value);
    }
    return env;
  }

  testing_support::PrivateSessionBus bus_;
  testing_support::TempDir temp_;
  fs::path home_;
  LoopbackServer server_;
};

}  // namespace runlet_test
