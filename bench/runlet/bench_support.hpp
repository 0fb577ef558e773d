#pragma once
// Shared pieces of the Runlet benches: a beacon server, spawning a program
// with its own home folders, and a generated app made from the built template.

#include <httplib.h>
#include <spawn.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/plist.hpp"

extern char** environ;

namespace bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline void writeFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Records when each path was first asked for; serves registered routes.
class BeaconServer {
 public:
  BeaconServer() {
    server_.set_keep_alive_max_count(1);
    server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
      std::lock_guard lock(mutex_);
      std::string key = req.path + (req.has_param("who") ? "?" + req.get_param_value("who") : "");
      seen_.emplace(key, Clock::now());
      changed_.notify_all();
      return httplib::Server::HandlerResponse::Unhandled;
    });
    server_.Get("/loaded", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "image/gif"); });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~BeaconServer() {
    server_.stop();
    thread_.join();
  }
  httplib::Server& routes() { return server_; }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  // The time the path was first seen, waiting up to `limit`.
  std::optional<Clock::time_point> waitFor(const std::string& key, std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, limit, [&] { return seen_.count(key) > 0; });
    auto it = seen_.find(key);
    return it == seen_.end() ? std::nullopt : std::optional(it->second);
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, Clock::time_point> seen_;
};

// Starts `argv` with HOME and the XDG folders inside `home` (each run starts fresh).
inline pid_t spawnWithHome(const std::vector<std::string>& argv, const fs::path& home,
                           const std::vector<std::string>& extraEnv = {}) {
  for (const char* dir : {"data", "cache", "config", "Downloads"}) fs::create_directories(home / dir);
  writeFile(home / "config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n");
  std::vector<std::string> env = {"HOME=" + home.string(), "XDG_DATA_HOME=" + (home / "data").string(),
                                  "XDG_CACHE_HOME=" + (home / "cache").string(),
                                  "XDG_CONFIG_HOME=" + (home / "config").string(), "NO_AT_BRIDGE=1"};
  for (const char* name : {"DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "PATH", "XAUTHORITY"}) {
    if (const char* value = getenv(name)) env.push_back(std::string(name) + "=" + value);
  }
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) != 0) return 0;
  return pid;
}

// A generated app: the built template copied, renamed and configured.
inline fs::path makeGeneratedApp(const fs::path& templateApp, const fs::path& folder, const std::string& name,
                                 const platform::plist::Dictionary& config) {
  fs::path app = folder / (name + ".app");
  fs::remove_all(app);
  fs::create_directories(folder);
  fs::copy(templateApp, app, fs::copy_options::recursive);
  fs::rename(app / "Contents/MacOS/Runlet", app / "Contents/MacOS" / name);
  auto info = *platform::plist::readFile(app / "Contents/Info.plist")->get<platform::plist::Dictionary>();
  info["CFBundleIdentifier"] = "co.corvan.nimbrel.bench-" + name;
  info["CFBundleExecutable"] = name;
  writeFile(app / "Contents/Info.plist", platform::plist::toXML(info));
  writeFile(app / "Contents/Resources/app.plist", platform::plist::toXML(config));
  return app / "Contents/MacOS" / name;
}

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace bench
