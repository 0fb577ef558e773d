// Generated apps as the user starts them: the built template copied into a
// bundle of its own, run as a separate process against a loopback server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <iostream>
#include <map>
#include <set>

#include "tests/runtime/bell_listener.hpp"
#include "tests/runtime/fake_bus_service.hpp"
#include "tests/runtime/generated_app.hpp"

namespace runlet_test {
namespace {

// The desktop's file manager, recording what it is asked to show.
struct FakeFileManager {
  explicit FakeFileManager(GDBusConnection* bus)
      : service(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                "<node><interface name='org.freedesktop.FileManager1'><method name='ShowItems'>"
                "<arg type='as' direction='in'/><arg type='s' direction='in'/></method></interface></node>",
                [this](const std::string&, GVariant* parameters) -> GVariant* {
                  const char** uris = nullptr;
                  g_variant_get(parameters, "(^a&s&s)", &uris, nullptr);
                  for (const char** u = uris; u && *u; ++u) shown.insert(*u);
                  g_free(uris);
                  return nullptr;
                }) {}
  std::set<std::string> shown;
  FakeBusService service;
};

std::string fileURI(const fs::path& path) {
  platform::GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
  return uri.get();
}

class GeneratedApps : public GeneratedAppTest {
 protected:
  void SetUp() override {
    GeneratedAppTest::SetUp();
    server_.routes().Get("/set", [](const httplib::Request& req, httplib::Response& res) {
      res.set_header("Set-Cookie", "who=" + req.get_param_value("app") + "; Max-Age=86400; Path=/");
      res.set_content("<p>set</p>", "text/html");
    });
    server_.routes().Get("/check", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex_);
      cookies_[req.get_param_value("who")] = req.get_header_value("Cookie");
      res.set_content("<p>check</p>", "text/html");
    });
    server_.routes().Get("/file.bin", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("file bytes", "application/octet-stream");
    });
    server_.start();
  }

  // A desktop handler for `mimeTypes` that records each URI it is given in the returned file.
  fs::path installRecordingHandler(const std::vector<std::string>& mimeTypes) {
    fs::path recorded = temp_ / "handled.txt";
    fs::path script = temp_ / "fake-handler.sh";
    testing_support::writeFile(script, "#!/bin/sh\necho \"$1\" >> '" + recorded.string() + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    std::string types, defaults = "[Default Applications]\n";
    for (const auto& type : mimeTypes) {
      types += type + ";";
      defaults += type + "=fake-handler.desktop\n";
    }
    testing_support::writeFile(home_ / "data/applications/fake-handler.desktop",
                               "[Desktop Entry]\nType=Application\nName=Fake Handler\nExec=" + script.string() +
                                   " %u\nMimeType=" + types + "\nNoDisplay=true\n");
    testing_support::writeFile(home_ / "config/mimeapps.list", defaults);
    return recorded;
  }

  // The Cookie header of the request for /check?who=tag.
  std::optional<std::string> cookieSeenBy(const std::string& tag) {
    std::lock_guard lock(mutex_);
    auto found = cookies_.find(tag);
    return found == cookies_.end() ? std::nullopt : std::optional(found->second);
  }

  std::mutex mutex_;
  std::map<std::string, std::string> cookies_;
};

TEST_F(GeneratedApps, RunSideBySideWithCookiesKeptPerAppAcrossRelaunch) {
  GeneratedApp alpha(temp_.path(), "Alpha", "co.corvan.nimbrel.alpha-00a1f3", server_.url("/set?app=alpha"));
  GeneratedApp beta(temp_.path(), "Beta", "co.corvan.nimbrel.café-2-0b22c4", server_.url("/check?who=beta-first"));
  alpha.start(environment());
  ASSERT_TRUE(waitUntil([&] { return server_.saw("/set?app=alpha"); }));
  alpha.quit(bus_.connection());
  ASSERT_TRUE(waitUntil([&] { return !alpha.running(); })) << "Quit ends the app";

  alpha.setURL("Alpha", server_.url("/check?who=alpha-again"));
  alpha.start(environment());
  beta.start(environment());
  ASSERT_TRUE(waitUntil([&] { return cookieSeenBy("alpha-again") && cookieSeenBy("beta-first"); }));
  EXPECT_EQ(*cookieSeenBy("alpha-again"), "who=alpha");
  EXPECT_EQ(*cookieSeenBy("beta-first"), "") << "another app never sees Alpha's cookie";
  EXPECT_TRUE(alpha.running() && beta.running()) << "two generated apps run at once";

  // Starting Alpha again brings its window back instead of a second Alpha.
  GeneratedApp again(temp_.path() / "again", "Alpha", "co.corvan.nimbrel.alpha-00a1f3", server_.url("/check?who=twice"));
  again.start(environment());
  ASSERT_TRUE(waitUntil([&] { return !again.running(); }));
  EXPECT_TRUE(alpha.running());
  EXPECT_FALSE(cookieSeenBy("twice"));
  for (const auto& r : server_.log()) EXPECT_EQ(r.userAgent.find("Linux"), std::string::npos);
  EXPECT_TRUE(fs::exists(home_ / "data/co.corvan.nimbrel.alpha-00a1f3"));
}

// Without user-dirs.dirs GLib names the home folder as the download folder:
// pages, even a foreign frame without any user action, still only ever reach
// ~/Downloads, and never under a hidden name. Saved files are shown in the
// file manager; a download cut short rings the display's bell instead.
TEST_F(GeneratedApps, SavedFilesLandOnlyInDownloadsNeverHiddenAndAreShownAFailureRings) {
  fs::remove(home_ / "config/user-dirs.dirs");
  fs::remove(home_ / "Downloads");
  std::string foreign = server_.url("/frame");
  foreign.replace(foreign.find("127.0.0.1"), 9, "localhost");
  server_.page("/dots", "<a id=d href=/file.bin download=.bash_profile>x</a><iframe src='" + foreign + "'></iframe>"
                        "<script>document.getElementById('d').click()</script>");
  server_.page("/frame", "<script>const a = document.createElement('a');"
                         "a.href = URL.createObjectURL(new Blob(['echo pwned-by-iframe\\n']));"
                         "a.download = '.xsessionrc'; a.click();"
                         "const c = document.createElement('a'); c.href = '/cut.bin'; c.download = 'cut.bin'; c.click()</script>");
  server_.routes().Get("/cut.bin", [](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(1 << 20, "application/octet-stream", [](size_t offset, size_t, httplib::DataSink& sink) {
      if (offset > 0) return false;  // the connection drops after the first piece
      sink.write(std::string(4096, 'x').data(), 4096);
      return true;
    });
  });
  BellListener bell;
  FakeFileManager fileManager(bus_.connection());
  ASSERT_TRUE(fileManager.service.waitReady());
  GeneratedApp app(temp_.path(), "Dots", "co.corvan.nimbrel.dots-00d075", server_.url("/dots"));
  app.start(environment());
  if (!bell.usable()) std::cout << "[ SKIPPED  ] the bell: no XKB on this display\n";
  ASSERT_TRUE(waitUntil([&] { return fileManager.shown.size() == 2 && (!bell.usable() || bell.rings() > 0); }));
  std::set<std::string> saved, hidden;
  for (const auto& entry : fs::directory_iterator(home_ / "Downloads")) saved.insert(entry.path().filename());
  for (const auto& entry : fs::directory_iterator(home_)) {
    if (entry.path().filename().string().front() == '.') hidden.insert(entry.path().filename());
  }
  EXPECT_EQ(saved, (std::set<std::string>{"bash_profile", "xsessionrc"}));
  EXPECT_TRUE(hidden.empty()) << *hidden.begin();
  EXPECT_EQ(testing_support::readFile(home_ / "Downloads/xsessionrc"), "echo pwned-by-iframe\n");
  EXPECT_EQ(testing_support::readFile(home_ / "Downloads/bash_profile"), "file bytes");
  EXPECT_EQ(fileManager.shown, (std::set<std::string>{fileURI(home_ / "Downloads/bash_profile"),
                                                      fileURI(home_ / "Downloads/xsessionrc")}));
  EXPECT_TRUE(app.running());
}

// Quitting saves the window's size; where that cannot be written the app
// still quits normally.
TEST_F(GeneratedApps, QuitsCleanlyWhenItsSettingsCannotBeWritten) {
  const std::string identifier = "co.corvan.nimbrel.full-00f011";
  struct Case {
    const char* what;
    std::vector<std::string> wrapper;
  };
  const std::string config = (home_ / "config").string();
  const Case cases[] = {
      {"a file where the settings folder goes", {}},
      // The app alone sees a full file system mounted over its config folder.
      {"a full file system",
       {"unshare", "--mount", "sh", "-c",
        "mount -t tmpfs -o size=64k tmpfs \"$0\" && (head -c 1M /dev/zero > \"$0/fill\"; exec \"$1\")", config}},
  };
  int run = 0;
  for (const auto& c : cases) {
    std::string tag = "full-" + std::to_string(run++);
    if (!c.wrapper.empty() && (::geteuid() != 0 || !g_find_program_in_path("unshare"))) {
      std::cout << "[ SKIPPED  ] " << c.what << ": needs root to mount\n";
      continue;
    }
    fs::remove_all(home_ / "config" / identifier);
    if (c.wrapper.empty()) testing_support::writeFile(home_ / "config" / identifier, "not a folder");
    GeneratedApp app(temp_.path() / tag, "Full", identifier, server_.url("/check?who=" + tag));
    app.start(environment(), c.wrapper);
    ASSERT_TRUE(waitUntil([&] { return cookieSeenBy(tag).has_value() || !app.running(); })) << c.what;
    app.quit(bus_.connection());
    ASSERT_TRUE(waitUntil([&] { return !app.running(); })) << c.what;
    EXPECT_TRUE(WIFEXITED(app.status()) && WEXITSTATUS(app.status()) == 0) << c.what << ": status " << app.status();
  }
}

// Without a file manager on the bus the Downloads folder itself is opened.
TEST_F(GeneratedApps, ExternalLinksAndTheDownloadsFolderReachTheDesktopsHandlers) {
  fs::path recorded = installRecordingHandler({"x-scheme-handler/tel", "inode/directory"});
  server_.page("/links", "<a id=t href='TEL:+4930123'>call</a><a id=d href=/file.bin download=file.bin>get</a>"
                         "<script>document.getElementById('t').click(); document.getElementById('d').click()</script>");
  GeneratedApp app(temp_.path(), "Phone", "co.corvan.nimbrel.phone-00c0de", server_.url("/links"));
  app.start(environment());
  auto lines = [&] {
    std::set<std::string> out;
    std::istringstream in(fs::exists(recorded) ? testing_support::readFile(recorded) : "");
    for (std::string line; std::getline(in, line);) out.insert(line);
    return out;
  };
  ASSERT_TRUE(waitUntil([&] { return lines().size() == 2; }));
  // Local folders reach the handler as paths.
  EXPECT_EQ(lines(), (std::set<std::string>{"tel:+4930123", (home_ / "Downloads").string()}));
  EXPECT_EQ(testing_support::readFile(home_ / "Downloads/file.bin"), "file bytes");
  EXPECT_TRUE(app.running());
}

}  // namespace
}  // namespace runlet_test
