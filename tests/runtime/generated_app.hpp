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

inline const fs::path kTemplate = fs::path(NIMBREL_BUNDLE_DIR) / "Contents/Resources/Runlet.app";

// One generated app: its bundle and, while it runs, its process.
class GeneratedApp {
 public:
  GeneratedApp(const fs::path& folder, const std::string& name, const std::string& identifier, const std::string& url)
      : bundle_(folder / (name + ".app")), identifier_(identifier) {
    fs::create_directories(folder);
    fs::copy(kTemplate, bundle_, fs::copy_options::recursive);
    fs::rename(bundle_ / "Contents/MacOS/Runlet", bundle_ / "Contents/MacOS" / name);
    auto info = platform::plist::readFile(bundle_ / "Contents/Info.plist");
    auto dict = *info->get<platform::plist::Dictionary>();
    dict["CFBundleIdentifier"] = identifier;
    dict["CFBundleName"] = name;
    dict["CFBundleExecutable"] = name;
    testing_support::writeFile(bundle_ / "Contents/Info.plist", platform::plist::toXML(dict));
    setURL(name, url);
    executable_ = bundle_ / "Contents/MacOS" / name;
  }
  ~GeneratedApp() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  void setURL(const std::string& name, const std::string& url) {
    testing_support::writeFile(bundle_ / "Contents/Resources/app.plist",
                               platform::plist::toXML(platform::plist::Dictionary{{"name", name}, {"type", "url"}, {"url", url},
                                                              {"indexFile", "index.html"}, {"fullcontent", false}}));
  }

  // `wrapper`: a command line that runs the app as its last argument.
  void start(const std::vector<std::string>& environment, std::vector<std::string> wrapper = {}) {
    wrapper.push_back(executable_.string());
    std::vector<char*> argv;
    for (auto& a : wrapper) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    platform::GErrorOut error;
    GPid pid = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, argv.data(), envp.data(), GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH),
                              nullptr, nullptr, &pid, error.out()))
        << error.message();
    pid_ = pid;
  }

  bool running() {
    if (pid_ <= 0) return false;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
      pid_ = 0;
      return false;
    }
    return true;
  }
  pid_t pid() const { return pid_; }
  // The wait status once the app has ended.
  int status() const { return status_; }

  // Quits through the app's own Quit command, as exported on the session bus.
  void quit(GDBusConnection* bus) {
    std::string path = "/" + identifier_;
    for (char& c : path) {
      if (c == '.') c = '/';
      if (c == '-') c = '_';
    }
    platform::CPtr<GVariant> reply(g_dbus_connection_call_sync(
        bus, identifier_.c_str(), path.c_str(), "org.gtk.Actions", "Activate",
        g_variant_new("(sava{sv})", "quit", nullptr, nullptr), nullptr, G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, nullptr));
  }

  const fs::path& bundle() const { return bundle_; }

 private:
  fs::path bundle_;
  std::string identifier_;
  fs::path executable_;
  GPid pid_ = 0;
  int status_ = 0;
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
    for (const char* name : {"DISPLAY", "XDG_RUNTIME_DIR", "PATH", "XAUTHORITY",
                             "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
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
