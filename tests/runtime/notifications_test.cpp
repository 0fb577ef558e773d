// Web notifications of generated apps on the desktop: a stand-in for the
// desktop's notification server on the app's session bus records what it is
// asked to show and plays the user's click.
#include <gtest/gtest.h>

#include "runtime/app_identity.hpp"
#include "tests/runtime/fake_bus_service.hpp"
#include "tests/runtime/generated_app.hpp"
#include "tests/support/picture_bytes.hpp"
#include "tools/common/icns.hpp"

namespace runlet_test {
namespace {

// Records what it is asked to show and plays the user's click.
class FakeNotificationServer {
 public:
  struct Shown {
    guint32 id = 0;
    std::string summary, body, desktopEntry, imagePath;
    std::vector<std::string> actions;
  };

  explicit FakeNotificationServer(GDBusConnection* bus)
      : bus_(bus),
        service_(bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                 "<node><interface name='org.freedesktop.Notifications'>"
                 "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
                 "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
                 "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
                 "<arg type='u' direction='out'/></method>"
                 "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
                 "<signal name='ActionInvoked'><arg type='u'/><arg type='s'/></signal>"
                 "<signal name='NotificationClosed'><arg type='u'/><arg type='u'/></signal>"
                 "</interface></node>",
                 [this](const std::string& method, GVariant* parameters) { return answer(method, parameters); }) {}
  bool waitReady() { return service_.waitReady(); }
  const Shown* find(const std::string& summary) const {
    for (const auto& s : shown) {
      if (s.summary == summary) return &s;
    }
    return nullptr;
  }
  // What the desktop sends when the user clicks the notification itself.
  void click(guint32 id) {
    g_dbus_connection_emit_signal(bus_, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                  "ActionInvoked", g_variant_new("(us)", id, "default"), nullptr);
  }

  std::vector<Shown> shown;
  std::vector<guint32> closed;

 private:
  GVariant* answer(const std::string& method, GVariant* parameters) {
    if (method == "Notify") {
      const char *summary = nullptr, *body = nullptr;
      guint32 replaces = 0;
      GVariantIter* actions = nullptr;
      GVariant* hints = nullptr;
      g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", nullptr, &replaces, nullptr, &summary, &body, &actions, &hints,
                    nullptr);
      Shown shown{replaces ? replaces : ++lastId_, summary, body, {}, {}, {}};
      for (const char* a; g_variant_iter_next(actions, "&s", &a);) shown.actions.emplace_back(a);
      g_variant_iter_free(actions);
      const char* text = nullptr;
      if (g_variant_lookup(hints, "desktop-entry", "&s", &text)) shown.desktopEntry = text;
      if (g_variant_lookup(hints, "image-path", "&s", &text)) shown.imagePath = text;
      g_variant_unref(hints);
      this->shown.push_back(shown);
      return g_variant_new("(u)", shown.id);
    }
    guint32 id = 0;
    g_variant_get(parameters, "(u)", &id);
    closed.push_back(id);
    return nullptr;
  }

  GDBusConnection* bus_;
  FakeBusService service_;
  guint32 lastId_ = 0;
};

// An icon file as the builder writes it, with a 256-pixel element.
void writeAppIcon(const fs::path& bundle) {
  std::string png = testing_support::pngBytes(256, 256, 6, std::string(256 * 4, '\0'));
  std::vector<tools::icns::Element> elements{{"ic08", std::vector<std::uint8_t>(png.begin(), png.end())}};
  auto bytes = tools::icns::encode(elements);
  testing_support::writeFile(bundle / "Contents/Resources/AppIcon.icns",
                             std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

class Notifications : public GeneratedAppTest {
 protected:
  void SetUp() override {
    GeneratedAppTest::SetUp();
    // A page that notifies without asking and closes one of its own, and one that asks first.
    server_.page("/unasked", "<script>fetch('/permission?p=' + Notification.permission);"
                             "const n = new Notification('Hi', {body: 'there'});"
                             "n.onclick = () => fetch('/clicked?by=page');"
                             "const bye = new Notification('Bye'); bye.onshow = () => setTimeout(() => bye.close(), 300)</script>");
    // The app's own site sends the user on to another, which asks when its button is clicked.
    std::string elsewhere = server_.url("/asking");
    elsewhere.replace(elsewhere.find("127.0.0.1"), 9, "localhost");
    server_.page("/start", "<script>location.href = '" + elsewhere + "'</script>");
    server_.page("/asking", "<style>button{position:fixed;inset:0}</style><button id=b>Allow</button><script>"
                            "fetch('/before?p=' + Notification.permission);"
                            "b.onclick = () => Notification.requestPermission().then(p => {"
                            "  fetch('/asked?p=' + p); new Notification('Asked') })</script>");
    server_.start();
    ASSERT_TRUE(notifications_.waitReady());
  }
  // What xdotool prints for `args`, without the final line break.
  static std::string xdotoolOutput(std::vector<const char*> args) {
    args.insert(args.begin(), "xdotool");
    args.push_back(nullptr);
    char* text = nullptr;
    if (!g_spawn_sync(nullptr, const_cast<char**>(args.data()), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &text,
                      nullptr, nullptr, nullptr)) {
      return "";
    }
    platform::GCharPtr owned(text);
    std::string out = text;
    return out.substr(0, out.find('\n'));
  }
  static std::string focusedPid() { return xdotoolOutput({"getwindowfocus", "getwindowpid"}); }

  FakeNotificationServer notifications_{bus_.connection()};
};

TEST_F(Notifications, TwoAppsNotifyUnderTheirOwnNamesClosedOnesLeaveAndAClickComesBackToThePage) {
  const std::string alphaId = "co.corvan.nimbrel.notes-00a1f3", betaId = "co.corvan.nimbrel.chat-00b2f4";
  GeneratedApp alpha(temp_.path(), "Notes", alphaId, server_.url("/unasked"));
  writeAppIcon(alpha.bundle());
  alpha.start(environment());
  ASSERT_TRUE(waitUntil([&] { return notifications_.find("Hi") && server_.saw("/permission?p=granted"); }))
      << "granted before the page asks";
  FakeNotificationServer::Shown hi = *notifications_.find("Hi");
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
  ASSERT_TRUE(waitUntil([&] { return notifications_.find("Bye") && !notifications_.closed.empty(); }));
  EXPECT_EQ(notifications_.closed, std::vector<guint32>{notifications_.find("Bye")->id});
  ASSERT_TRUE(waitUntil([&] { return server_.saw("/before?p=default"); })) << "another site than the app's own";
  // Pages may ask only when the user acts: the user clicks the page's button.
  std::string pid = std::to_string(beta.pid());
  std::string window;
  ASSERT_TRUE(waitUntil([&] { return !(window = xdotoolOutput({"search", "--onlyvisible", "--pid", pid.c_str()})).empty(); }));
  ASSERT_TRUE(xdotool({"windowfocus", "--sync", window}));
  ASSERT_TRUE(xdotool({"mousemove", "--window", window, "300", "300", "click", "1"}));
  ASSERT_TRUE(waitUntil([&] { return notifications_.find("Asked") && server_.saw("/asked?p=granted"); }));
  EXPECT_EQ(notifications_.find("Asked")->desktopEntry, runlet::applicationId(betaId));

  // The newer window has the keyboard; the click on Notes' notification brings Notes forward.
  ASSERT_TRUE(waitUntil([&] { return focusedPid() == std::to_string(beta.pid()); }, std::chrono::seconds(5)));
  notifications_.click(hi.id);
  ASSERT_TRUE(waitUntil([&] { return server_.saw("/clicked?by=page"); })) << "the page's onclick ran";
  EXPECT_TRUE(waitUntil([&] { return focusedPid() == std::to_string(alpha.pid()); }, std::chrono::seconds(5)));
}

}  // namespace
}  // namespace runlet_test
