// Generated apps as the user starts them: the built template copied into a
// bundle of its own, run as a separate process against a loopback server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <iostream>
#include <set>

#include "platform/gobject_ptr.hpp"
#include "tests/runtime/bell_listener.hpp"
#include "tests/runtime/generated_app.hpp"

namespace runlet_test {
namespace {

namespace plist = platform::plist;

// Stands in for the desktop's file manager on the session bus and records
// what it is asked to show.
class FakeFileManager {
 public:
  explicit FakeFileManager(GDBusConnection* bus) {
    bus_ = platform::GRef<GDBusConnection>::retain(bus);
    static const char kInterface[] =
        "<node><interface name='org.freedesktop.FileManager1'><method name='ShowItems'>"
        "<arg type='as' name='uris' direction='in'/><arg type='s' name='startupId' direction='in'/>"
        "</method></interface></node>";
    info_ = g_dbus_node_info_new_for_xml(kInterface, nullptr);
    static const GDBusInterfaceVTable vtable = {onCall, nullptr, nullptr, {}};
    object_ = g_dbus_connection_register_object(bus_.get(), "/org/freedesktop/FileManager1", info_->interfaces[0],
                                                &vtable, this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(bus_.get(), "org.freedesktop.FileManager1", G_BUS_NAME_OWNER_FLAGS_NONE,
                                          onAcquired, nullptr, this, nullptr);
  }
  ~FakeFileManager() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(bus_.get(), object_);
    g_dbus_node_info_unref(info_);
  }
  bool ready() const { return acquired_; }
  std::vector<std::string> shown;

 private:
  static void onAcquired(GDBusConnection*, const char*, gpointer self) { static_cast<FakeFileManager*>(self)->acquired_ = true; }
  static void onCall(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters,
                     GDBusMethodInvocation* invocation, gpointer self) {
    const char** uris = nullptr;
    const char* startup = nullptr;
    g_variant_get(parameters, "(^a&s&s)", &uris, &startup);
    for (const char** u = uris; u && *u; ++u) static_cast<FakeFileManager*>(self)->shown.emplace_back(*u);
    g_free(uris);
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }
  platform::GRef<GDBusConnection> bus_;
  GDBusNodeInfo* info_ = nullptr;
  guint object_ = 0;
  guint owner_ = 0;
  bool acquired_ = false;
};

class GeneratedApps : public GeneratedAppTest {
 protected:
  void SetUp() override {
    GeneratedAppTest::SetUp();
    server_.routes().Get("/set", [](const httplib::Request& req, httplib::Response& res) {
      res.set_header("Set-Cookie", "who=" + req.get_param_value("app") + "; Max-Age=86400; Path=/");
      res.set_content("<p>set</p>", "text/html");
    });
    server_.page("/check", "<p>check</p>");
    server_.page("/download", "<a id=d href=/file.bin download=file.bin>get</a>"
                              "<script>document.getElementById('d').click()</script>");
    server_.routes().Get("/file.bin", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("file bytes", "application/octet-stream");
    });
    server_.page("/broken", "<a id=d href=/cut.bin download=cut.bin>get</a>"
                            "<script>document.getElementById('d').click()</script>");
    server_.routes().Get("/cut.bin", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(1 << 20, "application/octet-stream",
                               [](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset > 0) return false;  // the connection drops after the first piece
                                 std::string piece(4096, 'x');
                                 sink.write(piece.data(), piece.size());
                                 return true;
                               });
    });
    server_.page("/links", "<a id=t href='TEL:+4930123'>call</a><script>document.getElementById('t').click()</script>");
    server_.start();
  }

  // A desktop handler for `mimeType` that records each URI it is given in the returned file.
  fs::path installRecordingHandler(const std::string& mimeType) {
    fs::path recorded = temp_ / "handled.txt";
    fs::path script = temp_ / "fake-handler.sh";
    testing_support::writeFile(script, "#!/bin/sh\necho \"$1\" >> '" + recorded.string() + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    testing_support::writeFile(home_ / "data/applications/fake-handler.desktop",
                               "[Desktop Entry]\nType=Application\nName=Fake Handler\nExec=" + script.string() +
                                   " %u\nMimeType=" + mimeType + ";\nNoDisplay=true\n");
    testing_support::writeFile(home_ / "config/mimeapps.list",
                               "[Default Applications]\n" + mimeType + "=fake-handler.desktop\n");
    return recorded;
  }

  static std::string fileURI(const fs::path& path) {
    platform::GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    return uri.get();
  }

  // The Cookie header of the request for `path` tagged `?who=tag`.
  std::optional<std::string> cookieSeenBy(const std::string& tag) const {
    for (const auto& r : server_.requests()) {
      if (r.path == "/check" && r.query == "who=" + tag) return r.cookie;
    }
    return std::nullopt;
  }

};

TEST_F(GeneratedApps, RunSideBySideWithCookiesKeptPerAppAcrossRelaunch) {
  GeneratedApp alpha(temp_.path(), "Alpha", "co.corvan.nimbrel.alpha-00a1f3", server_.url("/set?app=alpha"));
  GeneratedApp beta(temp_.path(), "Beta", "co.corvan.nimbrel.café-2-0b22c4", server_.url("/check?who=beta-first"));
  alpha.start(environment());
  ASSERT_TRUE(waitUntil([&] { return server_.saw("/set"); }));
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

  for (const auto& r : server_.requests()) {
    if (r.path == "/check") {
      EXPECT_EQ(r.userAgent.find("Linux"), std::string::npos);
    }
  }
  EXPECT_TRUE(fs::exists(home_ / "data/co.corvan.nimbrel.alpha-00a1f3"));
}

// Without user-dirs.dirs GLib names the home folder as the download folder:
// pages, even a foreign frame without any user action, still only ever reach
// ~/Downloads, and never under a hidden name.
TEST_F(GeneratedApps, SavedFilesLandOnlyInDownloadsAndNeverHidden) {
  fs::remove(home_ / "config/user-dirs.dirs");
  fs::remove(home_ / "Downloads");
  std::string foreign = server_.url("/frame");
  foreign.replace(foreign.find("127.0.0.1"), 9, "localhost");
  server_.page("/dots", "<a id=d href=/dotfile download=.bash_profile>x</a><iframe src='" + foreign + "'></iframe>"
                        "<script>document.getElementById('d').click()</script>");
  server_.routes().Get("/dotfile", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("echo pwned\n", "application/octet-stream");
  });
  server_.page("/frame", "<script>const a = document.createElement('a');"
                         "a.href = URL.createObjectURL(new Blob(['echo pwned-by-iframe\\n']));"
                         "a.download = '.xsessionrc'; a.click()</script>");
  FakeFileManager fileManager(bus_.connection());
  ASSERT_TRUE(waitUntil([&] { return fileManager.ready(); }));
  GeneratedApp app(temp_.path(), "Dots", "co.corvan.nimbrel.dots-00d075", server_.url("/dots"));
  app.start(environment());
  ASSERT_TRUE(waitUntil([&] { return fileManager.shown.size() == 2; }));
  std::set<std::string> saved, hidden;
  for (const auto& entry : fs::directory_iterator(home_ / "Downloads")) saved.insert(entry.path().filename());
  for (const auto& entry : fs::directory_iterator(home_)) {
    if (entry.path().filename().string().front() == '.') hidden.insert(entry.path().filename());
  }
  EXPECT_EQ(saved, (std::set<std::string>{"bash_profile", "xsessionrc"}));
  EXPECT_TRUE(hidden.empty()) << *hidden.begin();
  EXPECT_EQ(testing_support::readFile(home_ / "Downloads/xsessionrc"), "echo pwned-by-iframe\n");
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

TEST_F(GeneratedApps, ExternalLinksReachTheDesktopsHandler) {
  fs::path recorded = installRecordingHandler("x-scheme-handler/tel");

  GeneratedApp app(temp_.path(), "Phone", "co.corvan.nimbrel.phone-00c0de", server_.url("/links"));
  app.start(environment());
  ASSERT_TRUE(waitUntil([&] { return fs::exists(recorded) && !testing_support::readFile(recorded).empty(); }));
  EXPECT_EQ(testing_support::readFile(recorded), "tel:+4930123\n");
  EXPECT_TRUE(app.running());
}

TEST_F(GeneratedApps, AFinishedDownloadIsShownInTheFileManager) {
  FakeFileManager fileManager(bus_.connection());
  ASSERT_TRUE(waitUntil([&] { return fileManager.ready(); }));
  GeneratedApp app(temp_.path(), "Fetch", "co.corvan.nimbrel.fetch-00f00d", server_.url("/download"));
  app.start(environment());
  ASSERT_TRUE(waitUntil([&] { return !fileManager.shown.empty(); }));
  EXPECT_EQ(fileManager.shown, std::vector<std::string>{fileURI(home_ / "Downloads/file.bin")});
  EXPECT_EQ(testing_support::readFile(home_ / "Downloads/file.bin"), "file bytes");
}

TEST_F(GeneratedApps, AFailedDownloadRingsTheDesktopsBell) {
  BellListener bell;
  if (!bell.usable()) GTEST_SKIP() << "no XKB on this display";
  FakeFileManager fileManager(bus_.connection());
  GeneratedApp app(temp_.path(), "Cut", "co.corvan.nimbrel.cut-00ba11", server_.url("/broken"));
  app.start(environment());
  ASSERT_TRUE(waitUntil([&] { return bell.rings() > 0; }));
  EXPECT_TRUE(fileManager.shown.empty()) << "nothing to show";
  EXPECT_FALSE(fs::exists(home_ / "Downloads/cut.bin"));
  EXPECT_TRUE(app.running());
}

TEST_F(GeneratedApps, WithoutAFileManagerTheDownloadsFolderIsOpened) {
  fs::path recorded = installRecordingHandler("inode/directory");
  GeneratedApp app(temp_.path(), "Fetch", "co.corvan.nimbrel.fetch-00f00e", server_.url("/download"));
  app.start(environment());
  ASSERT_TRUE(waitUntil([&] { return fs::exists(recorded) && !testing_support::readFile(recorded).empty(); }));
  // Local folders reach the handler as paths.
  EXPECT_EQ(testing_support::readFile(recorded), (home_ / "Downloads").string() + "\n");
  EXPECT_TRUE(app.running());
}

}  // namespace
}  // namespace runlet_test
