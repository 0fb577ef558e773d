// Generated apps as the user starts them: the built template copied into a
// bundle of its own, run as a separate process with a home folder and a
// session bus of the test's own, against a loopback server. Stand-ins for the
// desktop's services on that bus record what the apps ask of them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <iostream>
#include <map>
#include <set>

#include "platform/gobject_ptr.hpp"
#include "runtime/app_identity.hpp"
#include "tests/runtime/runlet_harness.hpp"
#include "tests/support/picture_bytes.hpp"
#include "tests/support/private_session_bus.hpp"
#include "tools/common/icns.hpp"

namespace runlet_test {
namespace {

// A stand-in for a desktop service on the test's session bus: owns `name`,
// serves one interface at `path` and answers each call with what `answer`
// returns for it (nullptr: no values).
class FakeBusService {
 public:
  using Answer = std::function<GVariant*(const std::string& method, GVariant* parameters)>;
  FakeBusService(GDBusConnection* bus, const char* name, const char* path, const char* interfaceXML, Answer answer)
      : bus_(bus), answer_(std::move(answer)), info_(g_dbus_node_info_new_for_xml(interfaceXML, nullptr)) {
    static const GDBusInterfaceVTable vtable = {[](GDBusConnection*, const char*, const char*, const char*, const char* method,
                                                   GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self) {
      g_dbus_method_invocation_return_value(invocation, static_cast<FakeBusService*>(self)->answer_(method, parameters));
    }, nullptr, nullptr, {}};
    object_ = g_dbus_connection_register_object(bus, path, info_->interfaces[0], &vtable, this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(bus, name, G_BUS_NAME_OWNER_FLAGS_NONE, [](GDBusConnection*, const char*, gpointer self) {
      static_cast<FakeBusService*>(self)->acquired_ = true;
    }, nullptr, this, nullptr);
  }
  ~FakeBusService() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(bus_, object_);
    g_dbus_node_info_unref(info_);
  }
  bool waitReady() { return runUntil([&] { return acquired_; }); }

 private:
  GDBusConnection* bus_;  // the test's, outliving the service
  Answer answer_;
  GDBusNodeInfo* info_;
  guint object_ = 0;
  guint owner_ = 0;
  bool acquired_ = false;
};

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

// The desktop's notification server: records what it is asked to show and plays the user's click.
struct FakeNotificationServer {
  struct Shown {
    guint32 id = 0;
    std::string body, desktopEntry, imagePath;
    std::vector<std::string> actions;
  };
  explicit FakeNotificationServer(GDBusConnection* bus)
      : bus(bus),
        service(bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                "<node><interface name='org.freedesktop.Notifications'><method name='Notify'><arg type='s'/><arg type='u'/>"
                "<arg type='s'/><arg type='s'/><arg type='s'/><arg type='as'/><arg type='a{sv}'/><arg type='i'/>"
                "<arg type='u' direction='out'/></method><method name='CloseNotification'><arg type='u'/></method></interface></node>",
                [this](const std::string& method, GVariant* parameters) -> GVariant* {
                  guint32 id = 0;
                  if (method == "CloseNotification") {
                    g_variant_get(parameters, "(u)", &id);
                    closed.push_back(id);
                    return nullptr;
                  }
                  const char *summary = nullptr, *body = nullptr, *text = nullptr;
                  g_autoptr(GVariantIter) actions = nullptr;
                  g_autoptr(GVariant) hints = nullptr;
                  g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", nullptr, &id, nullptr, &summary, &body, &actions,
                                &hints, nullptr);
                  Shown& s = shown[summary] = {id ? id : ++lastId, body, {}, {}, {}};
                  for (const char* a; g_variant_iter_next(actions, "&s", &a);) s.actions.emplace_back(a);
                  if (g_variant_lookup(hints, "desktop-entry", "&s", &text)) s.desktopEntry = text;
                  if (g_variant_lookup(hints, "image-path", "&s", &text)) s.imagePath = text;
                  return g_variant_new("(u)", s.id);
                }) {}
  // What the desktop sends when the user clicks the notification itself.
  void click(guint32 id) {
    g_dbus_connection_emit_signal(bus, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                  "ActionInvoked", g_variant_new("(us)", id, "default"), nullptr);
  }

  GDBusConnection* bus;
  std::map<std::string, Shown> shown;  // by summary
  std::vector<guint32> closed;
  guint32 lastId = 0;
  FakeBusService service;
};

class GeneratedApps : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus_.ok()) << "no dbus-daemon for a private session bus";
    home_ = temp_ / "home";
    for (const char* dir : {"data", "cache", "config", "Downloads"}) fs::create_directories(home_ / dir);
    testing_support::writeFile(home_ / "config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n");
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
    // A page that notifies without asking and closes one of its own, and one that asks first.
    server_.page("/unasked", "<script>fetch('/permission?p=' + Notification.permission);"
                             "const n = new Notification('Hi', {body: 'there'});"
                             "n.onclick = () => fetch('/clicked?by=page');"
                             "const bye = new Notification('Bye'); bye.onshow = () => setTimeout(() => bye.close(), 300)</script>");
    // The app's own site sends the user on to another, which asks when its button is clicked.
    server_.page("/start", "<script>location.href = '" + server_.foreignURL("/asking") + "'</script>");
    server_.page("/asking", "<style>button{position:fixed;inset:0}</style><button id=b>Allow</button><script>"
                            "fetch('/before?p=' + Notification.permission);"
                            "b.onclick = () => Notification.requestPermission().then(p => {"
                            "  fetch('/asked?p=' + p); new Notification('Asked') })</script>");
    server_.start();
    ASSERT_TRUE(notifications_.service.waitReady());
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

  // The Cookie header of the request for /check?who=tag.
  std::optional<std::string> cookieSeenBy(const std::string& tag) {
    std::lock_guard lock(mutex_);
    auto found = cookies_.find(tag);
    return found == cookies_.end() ? std::nullopt : std::optional(found->second);
  }

  bool focused(const GeneratedApp& app) {
    return runUntil([&] { return xdotool({"getwindowfocus", "getwindowpid"}) == std::to_string(app.pid); },
                     std::chrono::seconds(5));
  }

  testing_support::PrivateSessionBus bus_;
  testing_support::TempDir temp_;
  fs::path home_;
  LoopbackServer server_;
  std::mutex mutex_;
  std::map<std::string, std::string> cookies_;
  FakeNotificationServer notifications_{bus_.connection()};
};

TEST_F(GeneratedApps, RunSideBySideWithCookiesKeptPerAppAcrossRelaunch) {
  GeneratedApp alpha(temp_.path(), "Alpha", "co.corvan.nimbrel.alpha-00a1f3", server_.url("/set?app=alpha"));
  GeneratedApp beta(temp_.path(), "Beta", "co.corvan.nimbrel.café-2-0b22c4", server_.url("/check?who=beta-first"));
  alpha.start(environment());
  ASSERT_TRUE(runUntil([&] { return server_.saw("/set?app=alpha"); }));
  alpha.quit(bus_.connection());
  ASSERT_TRUE(runUntil([&] { return !alpha.running(); })) << "Quit ends the app";

  alpha.setURL("Alpha", server_.url("/check?who=alpha-again"));
  alpha.start(environment());
  beta.start(environment());
  ASSERT_TRUE(runUntil([&] { return cookieSeenBy("alpha-again") && cookieSeenBy("beta-first"); }));
  EXPECT_EQ(*cookieSeenBy("alpha-again"), "who=alpha");
  EXPECT_EQ(*cookieSeenBy("beta-first"), "") << "another app never sees Alpha's cookie";
  EXPECT_TRUE(alpha.running() && beta.running()) << "two generated apps run at once";

  // Starting Alpha again brings its window back instead of a second Alpha.
  GeneratedApp again(temp_.path() / "again", "Alpha", "co.corvan.nimbrel.alpha-00a1f3", server_.url("/check?who=twice"));
  again.start(environment());
  ASSERT_TRUE(runUntil([&] { return !again.running(); }));
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
    ASSERT_TRUE(runUntil([&] { return shown.size() == 2 && !handled().empty(); }));
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
  ASSERT_TRUE(runUntil([&] { return handled().size() > std::string("tel:+4930123\n").size(); }));
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
    ASSERT_TRUE(runUntil([&] { return cookieSeenBy(tag).has_value() || !app.running(); })) << what;
    app.quit(bus_.connection());
    ASSERT_TRUE(runUntil([&] { return !app.running(); })) << what;
    EXPECT_TRUE(WIFEXITED(app.status) && WEXITSTATUS(app.status) == 0) << what << ": status " << app.status;
  }
}

// Web notifications of generated apps on the desktop.
using Notifications = GeneratedApps;

TEST_F(Notifications, TwoAppsNotifyUnderTheirOwnNamesClosedOnesLeaveAndAClickComesBackToThePage) {
  const std::string alphaId = "co.corvan.nimbrel.notes-00a1f3", betaId = "co.corvan.nimbrel.chat-00b2f4";
  GeneratedApp alpha(temp_.path(), "Notes", alphaId, server_.url("/unasked"));
  // An icon file as the builder writes it, with a 256-pixel element.
  std::string png = testing_support::pngBytes(256, 256, 6, std::string(256 * 4, '\0'));
  auto icns = tools::icns::encode(std::vector<tools::icns::Element>{{"ic08", {png.begin(), png.end()}}});
  testing_support::writeFile(alpha.bundle / "Contents/Resources/AppIcon.icns",
                             std::string_view(reinterpret_cast<const char*>(icns.data()), icns.size()));
  alpha.start(environment());
  ASSERT_TRUE(runUntil([&] { return notifications_.shown.count("Hi") && server_.saw("/permission?p=granted"); }))
      << "granted before the page asks";
  FakeNotificationServer::Shown hi = notifications_.shown["Hi"];
  EXPECT_EQ(hi.body, "there");
  EXPECT_EQ(hi.desktopEntry, runlet::applicationId(alphaId));
  EXPECT_EQ(hi.actions, (std::vector<std::string>{"default", ""})) << "clicking the notification itself";
  ASSERT_FALSE(hi.imagePath.empty());
  std::string icon = testing_support::readFile(hi.imagePath);
  EXPECT_TRUE(tools::icns::pngSize(std::span(reinterpret_cast<const std::uint8_t*>(icon.data()), icon.size())))
      << "the app's own icon, as a picture file";

  GeneratedApp beta(temp_.path(), "Chat", betaId, server_.url("/start"));
  beta.start(environment());
  // A page that closes its own notification takes it off the desktop.
  ASSERT_TRUE(runUntil([&] { return notifications_.shown.count("Bye") && !notifications_.closed.empty(); }));
  EXPECT_EQ(notifications_.closed, std::vector<guint32>{notifications_.shown["Bye"].id});
  ASSERT_TRUE(runUntil([&] { return server_.saw("/before?p=default"); })) << "another site than the app's own";
  // Pages may ask only when the user acts: the user clicks the page's button.
  std::string window;
  ASSERT_TRUE(runUntil([&] {
    return !(window = xdotool({"search", "--onlyvisible", "--pid", std::to_string(beta.pid)}).value_or("")).empty();
  }));
  ASSERT_TRUE(xdotool({"windowfocus", "--sync", window}));
  ASSERT_TRUE(xdotool({"mousemove", "--window", window, "300", "300", "click", "1"}));
  ASSERT_TRUE(runUntil([&] { return notifications_.shown.count("Asked") && server_.saw("/asked?p=granted"); }));
  EXPECT_EQ(notifications_.shown["Asked"].desktopEntry, runlet::applicationId(betaId));

  // The newer window has the keyboard; the click on Notes' notification brings Notes forward.
  ASSERT_TRUE(focused(beta));
  notifications_.click(hi.id);
  ASSERT_TRUE(runUntil([&] { return server_.saw("/clicked?by=page"); })) << "the page's onclick ran";
  EXPECT_TRUE(focused(alpha));
}

}  // namespace
}  // namespace runlet_test
