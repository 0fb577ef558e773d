// Web notifications of generated apps on the desktop: a stand-in for the
// desktop's notification server on the app's session bus records what it is
// asked to show and plays the user's click.
#include <gtest/gtest.h>

#include <map>

#include "runtime/app_identity.hpp"
#include "tests/runtime/fake_bus_service.hpp"
#include "tests/runtime/generated_app.hpp"
#include "tests/support/picture_bytes.hpp"
#include "tools/common/icns.hpp"

namespace runlet_test {
namespace {

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
    server_.page("/start", "<script>location.href = '" + server_.foreignURL("/asking") + "'</script>");
    server_.page("/asking", "<style>button{position:fixed;inset:0}</style><button id=b>Allow</button><script>"
                            "fetch('/before?p=' + Notification.permission);"
                            "b.onclick = () => Notification.requestPermission().then(p => {"
                            "  fetch('/asked?p=' + p); new Notification('Asked') })</script>");
    server_.start();
    ASSERT_TRUE(notifications_.service.waitReady());
  }
  bool focused(const GeneratedApp& app) {
    return waitUntil([&] { return xdotool({"getwindowfocus", "getwindowpid"}) == std::to_string(app.pid); },
                     std::chrono::seconds(5));
  }

  FakeNotificationServer notifications_{bus_.connection()};
};

TEST_F(Notifications, TwoAppsNotifyUnderTheirOwnNamesClosedOnesLeaveAndAClickComesBackToThePage) {
  const std::string alphaId = "co.corvan.nimbrel.notes-00a1f3", betaId = "co.corvan.nimbrel.chat-00b2f4";
  GeneratedApp alpha(temp_.path(), "Notes", alphaId, server_.url("/unasked"));
  // An icon file as the builder writes it, with a 256-pixel element.
  std::string png = testing_support::pngBytes(256, 256, 6, std::string(256 * 4, '\0'));
  auto icns = tools::icns::encode(std::vector<tools::icns::Element>{{"ic08", {png.begin(), png.end()}}});
  testing_support::writeFile(alpha.bundle / "Contents/Resources/AppIcon.icns",
                             std::string_view(reinterpret_cast<const char*>(icns.data()), icns.size()));
  alpha.start(environment());
  ASSERT_TRUE(waitUntil([&] { return notifications_.shown.count("Hi") && server_.saw("/permission?p=granted"); }))
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
  ASSERT_TRUE(waitUntil([&] { return notifications_.shown.count("Bye") && !notifications_.closed.empty(); }));
  EXPECT_EQ(notifications_.closed, std::vector<guint32>{notifications_.shown["Bye"].id});
  ASSERT_TRUE(waitUntil([&] { return server_.saw("/before?p=default"); })) << "another site than the app's own";
  // Pages may ask only when the user acts: the user clicks the page's button.
  std::string window;
  ASSERT_TRUE(waitUntil([&] {
    return !(window = xdotool({"search", "--onlyvisible", "--pid", std::to_string(beta.pid)}).value_or("")).empty();
  }));
  ASSERT_TRUE(xdotool({"windowfocus", "--sync", window}));
  ASSERT_TRUE(xdotool({"mousemove", "--window", window, "300", "300", "click", "1"}));
  ASSERT_TRUE(waitUntil([&] { return notifications_.shown.count("Asked") && server_.saw("/asked?p=granted"); }));
  EXPECT_EQ(notifications_.shown["Asked"].desktopEntry, runlet::applicationId(betaId));

  // The newer window has the keyboard; the click on Notes' notification brings Notes forward.
  ASSERT_TRUE(focused(beta));
  notifications_.click(hi.id);
  ASSERT_TRUE(waitUntil([&] { return server_.saw("/clicked?by=page"); })) << "the page's onclick ran";
  EXPECT_TRUE(focused(alpha));
}

}  // namespace
}  // namespace runlet_test
