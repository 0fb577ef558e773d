// Generated apps as the user starts them: the built template copied into a
// bundle of its own, run as a separate process against a loopback server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <iostream>
#include <map>
#include <set>

#include "tests/runtime/fake_bus_service.hpp"
#include "tests/runtime/generated_app.hpp"

namespace runlet_test {
namespace {

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
  EXPECT_TRUE(fs::exists(home_ / "data/co.corvan.nimbrel.alpha-00a1f3"));
}

// Without user-dirs.dirs GLib names the home folder as the download folder:
// pages, even a foreign frame without any user action, still only ever reach
// ~/Downloads, and never under a hidden name. Saved files are shown in the file manager,
// else their folder is opened; external schemes from any frame reach the desktop's handler.
TEST_F(GeneratedApps, SavedFilesLandOnlyInDownloadsNeverHiddenAndAreShownAndExternalLinksLeave) {
  fs::remove(home_ / "config/user-dirs.dirs");
  fs::remove(home_ / "Downloads");
  // A desktop handler for telephone links and folders that records each URI it is given.
  fs::path recorded = temp_ / "handled.txt", script = temp_ / "fake-handler.sh";
  testing_support::writeFile(script, "#!/bin/sh\necho \"$1\" >> '" + recorded.string() + "'\n");
  fs::permissions(script, fs::perms::owner_all);
  testing_support::writeFile(home_ / "data/applications/fake-handler.desktop",
                             "[Desktop Entry]\nType=Application\nName=Fake Handler\nExec=" + script.string() +
                                 " %u\nMimeType=x-scheme-handler/tel;inode/directory;\nNoDisplay=true\n");
  testing_support::writeFile(home_ / "config/mimeapps.list", "[Default Applications]\n"
                             "x-scheme-handler/tel=fake-handler.desktop\ninode/directory=fake-handler.desktop\n");
  auto handled = [&] { return fs::exists(recorded) ? testing_support::readFile(recorded) : ""; };
  server_.page("/dots", "<a id=d href=/file.bin download=.bash_profile>x</a><script>d.click()</script>"
                        "<iframe src='" + server_.foreignURL("/frame") + "'></iframe><iframe src=/tel></iframe>");
  server_.page("/frame", "<script>Object.assign(document.createElement('a'), {download: '.xsessionrc',"
                         " href: URL.createObjectURL(new Blob(['echo pwned-by-iframe\\n']))}).click()</script>");
  server_.page("/tel", "<a id=t href='TEL:+4930123'>call</a><script>t.click()</script>");
  {
    // The desktop's file manager, recording what it is asked to show.
    std::set<std::string> shown;
    FakeBusService fileManager(bus_.connection(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                               "<node><interface name='org.freedesktop.FileManager1'><method name='ShowItems'>"
                               "<arg type='as'/><arg type='s'/></method></interface></node>",
                               [&](const std::string&, GVariant* parameters) -> GVariant* {
                                 g_autofree const char** uris = nullptr;
                                 g_variant_get(parameters, "(^a&s&s)", &uris, nullptr);
                                 for (const char** u = uris; u && *u; ++u) shown.insert(*u);
                                 return nullptr;
                               });
    ASSERT_TRUE(fileManager.waitReady());
    GeneratedApp app(temp_.path(), "Dots", "co.corvan.nimbrel.dots-00d075", server_.url("/dots"));
    app.start(environment());
    ASSERT_TRUE(waitUntil([&] { return shown.size() == 2 && !handled().empty(); }));
    std::set<std::string> saved;
    for (const auto& entry : fs::directory_iterator(home_ / "Downloads")) saved.insert(entry.path().filename());
    for (const auto& entry : fs::directory_iterator(home_)) EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    EXPECT_EQ(saved, (std::set<std::string>{"bash_profile", "xsessionrc"}));
    EXPECT_EQ(testing_support::readFile(home_ / "Downloads/xsessionrc"), "echo pwned-by-iframe\n");
    EXPECT_EQ(shown, (std::set<std::string>{"file://" + (home_ / "Downloads/bash_profile").string(),
                                             "file://" + (home_ / "Downloads/xsessionrc").string()}));
    EXPECT_EQ(handled(), "tel:+4930123\n");
    EXPECT_TRUE(app.running());
  }
  GeneratedApp app(temp_.path(), "Phone", "co.corvan.nimbrel.phone-00c0de", server_.url("/file.bin"));
  app.start(environment());
  ASSERT_TRUE(waitUntil([&] { return handled().size() > std::string("tel:+4930123\n").size(); }));
  EXPECT_EQ(handled(), "tel:+4930123\n" + (home_ / "Downloads").string() + "\n") << "no file manager: the folder";
  EXPECT_EQ(testing_support::readFile(home_ / "Downloads/file.bin"), "file bytes");
}

// Quitting saves the window's size; where that cannot be written the app still quits normally.
TEST_F(GeneratedApps, QuitsCleanlyWhenItsSettingsCannotBeWritten) {
  const std::string identifier = "co.corvan.nimbrel.full-00f011", config = (home_ / "config").string();
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"a file where the settings folder goes", {}},
      // The app alone sees a full file system mounted over its config folder.
      {"a full file system",
       {"unshare", "--mount", "sh", "-c",
        "mount -t tmpfs -o size=64k tmpfs \"$0\" && (head -c 1M /dev/zero > \"$0/fill\"; exec \"$1\")", config}},
  };
  for (const auto& [what, wrapper] : cases) {
    if (!wrapper.empty() && (::geteuid() != 0 || !g_find_program_in_path("unshare"))) {
      std::cout << "[ SKIPPED  ] " << what << ": needs root to mount\n";
      continue;
    }
    fs::remove_all(home_ / "config" / identifier);
    if (wrapper.empty()) testing_support::writeFile(home_ / "config" / identifier, "not a folder");
    std::string tag = wrapper.empty() ? "file" : "full";
    GeneratedApp app(temp_.path() / tag, "Full", identifier, server_.url("/check?who=" + tag));
    app.start(environment(), wrapper);
    ASSERT_TRUE(waitUntil([&] { return cookieSeenBy(tag).has_value() || !app.running(); })) << what;
    app.quit(bus_.connection());
    ASSERT_TRUE(waitUntil([&] { return !app.running(); })) << what;
    EXPECT_TRUE(WIFEXITED(app.status) && WEXITSTATUS(app.status) == 0) << what << ": status " << app.status;
  }
}

}  // namespace
}  // namespace runlet_test
