#pragma once
// Runs a real Runlet window in the test process: a bundle written into a
// temporary folder, a loopback HTTP server, and helpers that drive the main
// loop until the web view reaches a state. Waits end at a generous deadline
// only so that a broken build fails instead of hanging.

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch.hpp"
#include "platform/plist.hpp"
#include "platform/workspace.hpp"
#include "runtime/app_delegate.hpp"
#include "tests/support/gtk_driving.hpp"
#include "tests/support/loopback_http_server.hpp"
#include "tests/support/temp_dir.hpp"

namespace runlet_test {

namespace fs = std::filesystem;

// Records what the app hands to the desktop.
struct RecordingWorkspace : platform::Workspace {
  void openURL(const std::string&) override {}
  void revealFile(const fs::path& path) override { revealed.push_back(path); }
  void alertSound() override { ++alerts; }
  std::vector<fs::path> revealed;
  int alerts = 0;
};

// One request per connection: a kept-alive connection would hold the server's stop until its idle timeout.
struct LoopbackServer : testing_support::LoopbackHttpServer {
  LoopbackServer() { routes().set_keep_alive_max_count(1); }
  void page(const std::string& path, std::string html) {
    routes().Get(path, [html](const httplib::Request&, httplib::Response& res) { res.set_content(html, "text/html"); });
  }
  bool saw(const std::string& target) const { return count(target) > 0; }
  // The same server as another origin: "localhost" instead of the address.
  std::string foreignURL(const std::string& path) const { return "http://localhost:" + std::to_string(port()) + path; }
};

using testing_support::descendants;
using testing_support::runUntil;
using testing_support::windowPoint;
using testing_support::xdotool;

inline std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// The record of an app loading `url`.
inline platform::plist::Dictionary remote(const std::string& url, const std::string& name = "Test App") {
  return {{"name", name}, {"type", "url"}, {"url", url}, {"indexFile", "index.html"}, {"fullcontent", false}};
}

// The texts of the labels a user can see below `root`, each followed by ";".
std::string shownLabels(GtkWidget* root);

// A page script on its way: its result as JSON once done.
using PendingScript = std::optional<std::string>;

class RunletWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The generated app's bundle: Info.plist with a fresh identifier, app.plist when given.
  void writeBundle(const std::optional<platform::plist::Dictionary>& config);
  void writeSiteFile(const fs::path& relative, std::string_view contents);
  // Writes the bundle unless there is one, starts the server and the app.
  void launch(const std::optional<platform::plist::Dictionary>& config);
  // The same bundle started again, as after a quit.
  void relaunch();
  // Launches an app on the server's `path`; whether its page is shown.
  bool openPage(const std::string& path, const std::string& name = "Test App") {
    launch(remote(server_.url(path), name));
    return waitForPage(server_.url(path));
  }
  // Calls `seen` with the values of every emission of `signal` on `type` until the test ends.
  void hookSignal(GType type, const char* signal, std::function<void(const GValue*)> seen);
  // The main window's X id, as a decimal string for xdotool.
  std::string windowId() const;

  bool waitForPage(const std::string& uri);
  bool waitForIdle();
  // Runs `body` as an async function in the page's main frame; its result as JSON.
  std::string evaluate(const std::string& body) { return finish(evaluateLater(body)); }
  // Starts a script that cannot finish until the test acts (a dialog is open); `finish` waits for its result.
  std::shared_ptr<PendingScript> evaluateLater(const std::string& body);
  std::string finish(const std::shared_ptr<PendingScript>& script);
  std::string pageText() { return evaluate("return document.body ? document.body.innerText : ''"); }
  // A link to the JavaScript expression `href`, made and clicked by a script outside the document;
  // with a download attribute unless null.
  void clickLink(const std::string& href, const char* download = nullptr);
  std::vector<fs::path> downloads() const;

  testing_support::TempDir temp_;
  fs::path bundlePath_;
  fs::path downloadsPath_;
  LoopbackServer server_;
  RecordingWorkspace workspace_;
  std::chrono::milliseconds loadTimeout_ = std::chrono::seconds(60);
  platform::GRef<GtkApplication> application_;
  std::unique_ptr<runlet::AppDelegate> delegate_;

 private:
  std::vector<std::pair<guint, gulong>> hooks_;
  std::vector<std::unique_ptr<std::function<void(const GValue*)>>> hookCallbacks_;
};

}  // namespace runlet_test
