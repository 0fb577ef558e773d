// Web notifications of generated apps on the desktop: a stand-in for the
// desktop's notification server on the app's session bus records what it is
// asked to show and plays the user's click.
#include <gtest/gtest.h>

#include "runtime/app_identity.hpp"
#include "tests/runtime/generated_app.hpp"
#include "tools/common/icns.hpp"

namespace runlet_test {
namespace {

class FakeNotificationServer {
 public:
  struct Shown {
    guint32 id = 0;
    std::string summary, body, desktopEntry, imagePath;
    std::vector<std::string> actions;
  };

  explicit FakeNotificationServer(GDBusConnection* bus) : bus_(platform::GRef<GDBusConnection>::retain(bus)) {
    static const char kInterface[] =
        "<node><interface name='org.freedesktop.Notifications'>"
        "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
        "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
        "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
        "<arg type='u' direction='out'/></method>"
        "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
        "<method name='GetCapabilities'><arg type='as' direction='out'/></method>"
        "<method name='GetServerInformation'><arg type='s' direction='out'/><arg type='s' direction='out'/>"
        "<arg type='s' direction='out'/><arg type='s' direction='out'/></method>"
        "<signal name='ActionInvoked'><arg type='u'/><arg type='s'/></signal>"
        "<signal name='NotificationClosed'><arg type='u'/><arg type='u'/></signal>"
        "</interface></node>";
    info_ = g_dbus_node_info_new_for_xml(kInterface, nullptr);
    static const GDBusInterfaceVTable vtable = {onCall, nullptr, nullptr, {}};
    object_ = g_dbus_connection_register_object(bus_.get(), "/org/freedesktop/Notifications", info_->interfaces[0],
                                                &vtable, this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(bus_.get(), "org.freedesktop.Notifications", G_BUS_NAME_OWNER_FLAGS_NONE,
                                          onAcquired, nullptr, this, nullptr);
  }
  ~FakeNotificationServer() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(bus_.get(), object_);
    g_dbus_node_info_unref(info_);
  }
  bool ready() const { return acquired_; }
  const Shown* find(const std::string& summary) const {
    for (const auto& s : shown) {
      if (s.summary == summary) return &s;
    }
    return nullptr;
  }
  // What the desktop sends when the user clicks the notification itself.
  void click(guint32 id) {
    g_dbus_connection_emit_signal(bus_.get(), nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                  "ActionInvoked", g_variant_new("(us)", id, "default"), nullptr);
  }

  std::vector<Shown> shown;
  std::vector<guint32> closed;

 private:
  static void onAcquired(GDBusConnection*, const char*, gpointer self) {
    static_cast<FakeNotificationServer*>(self)->acquired_ = true;
  }
  static void onCall(GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant* parameters,
                     GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<FakeNotificationServer*>(data);
    std::string name = method;
    if (name == "Notify") {
      const char *summary = nullptr, *body = nullptr;
      guint32 replaces = 0;
      GVariantIter* actions = nullptr;
      GVariant* hints = nullptr;
      g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", nullptr, &replaces, nullptr, &summary, &body, &actions, &hints,
                    nullptr);
      Shown shown{replaces ? replaces : ++self->lastId_, summary, body, {}, {}, {}};
      for (const char* a; g_variant_iter_next(actions, "&s", &a);) shown.actions.emplace_back(a);
      g_variant_iter_free(actions);
      const char* text = nullptr;
      if (g_variant_lookup(hints, "desktop-entry", "&s", &text)) shown.desktopEntry = text;
      if (g_variant_lookup(hints, "image-path", "&s", &text)) shown.imagePath = text;
      g_variant_unref(hints);
      self->shown.push_back(shown);
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", shown.id));
    } else if (name == "CloseNotification") {
      guint32 id = 0;
      g_variant_get(parameters, "(u)", &id);
      self->closed.push_back(id);
      g_dbus_method_invocation_return_value(invocation, nullptr);
    } else if (name == "GetCapabilities") {
      const char* capabilities[] = {"body", "actions", nullptr};
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", capabilities));
    } else {
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(ssss)", "fake", "nimbrel", "1", "1.2"));
    }
  }

  platform::GRef<GDBusConnection> bus_;
  GDBusNodeInfo* info_ = nullptr;
  guint object_ = 0;
  guint owner_ = 0;
  bool acquired_ = false;
  guint32 lastId_ = 0;
};

// An icon file as the builder writes it, with a 256-pixel element.
void writeAppIcon(const fs::path& bundle) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 256, 256);
  std::vector<std::uint8_t> png;
  cairo_surface_write_to_png_stream(surface, [](void* out, const unsigned char* data, unsigned int length) {
    static_cast<std::vector<std::uint8_t>*>(out)->insert(static_cast<std::vector<std::uint8_t>*>(out)->end(), data,
                                                          data + length);
    return CAIRO_STATUS_SUCCESS;
  }, &png);
  cairo_surface_destroy(surface);
  std::vector<tools::icns::Element> elements{{"ic08", png}};
  auto bytes = tools::icns::encode(elements);
  testing_support::writeFile(bundle / "Contents/Resources/AppIcon.icns",
                             std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

class Notifications : public GeneratedAppTest {
 protected:
  void SetUp() override {
    GeneratedAppTest::SetUp();
    // A page that notifies without asking, one that asks first, one that closes its own.
    server_.page("/unasked", "<script>fetch('/permission?p=' + Notification.permission);"
                             "const n = new Notification('Hi', {body: 'there'});"
                             "n.onclick = () => fetch('/clicked?by=page')</script>");
    // The app's own site sends the user on to another, which asks when its button is clicked.
    std::string elsewhere = server_.url("/asking");
    elsewhere.replace(elsewhere.find("127.0.0.1"), 9, "localhost");
    server_.page("/start", "<script>location.href = '" + elsewhere + "'</script>");
    server_.page("/asking", "<style>button{position:fixed;inset:0}</style><button id=b>Allow</button><script>"
                            "fetch('/before?p=' + Notification.permission);"
                            "b.onclick = () => Notification.requestPermission().then(p => {"
                            "  fetch('/asked?p=' + p); new Notification('Asked') })</script>");
    server_.page("/closing", "<script>const n = new Notification('Bye');"
                             "n.onshow = () => setTimeout(() => n.close(), 300)</script>");
    server_.start();
    ASSERT_TRUE(notifications_.ready() || waitUntil([&] { return notifications_.ready(); }));
  }
  bool requested(const std::string& path, const std::string& query) const {
    for (const auto& r : server_.requests()) {
      if (r.path == path && r.query == query) return true;
    }
    return false;
  }
  // An app's window, for xdotool.
  static std::string windowOf(const GeneratedApp& app) {
    char* text = nullptr;
    std::string pid = std::to_string(app.pid());
    const char* argv[] = {"xdotool", "search", "--onlyvisible", "--pid", pid.c_str(), nullptr};
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &text, nullptr,
                       nullptr, nullptr)) {
        platform::GCharPtr owned(text);
        std::string ids = text;
        if (auto end = ids.find('\n'); end != std::string::npos && end > 0) return ids.substr(0, end);
      }
      waitUntil([] { return false; }, std::chrono::milliseconds(100));
    }
    return "";
  }
  // The process whose window has the keyboard.
  static std::string focusedPid() {
    platform::GCharPtr out;
    char* text = nullptr;
    const char* argv[] = {"xdotool", "getwindowfocus", "getwindowpid", nullptr};
    if (!g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &text, nullptr,
                      nullptr, nullptr)) {
      return "";
    }
    out.reset(text);
    std::string pid = text;
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
    return pid;
  }

  FakeNotificationServer notifications_{bus_.connection()};
};

TEST_F(Notifications, TwoAppsNotifyUnderTheirOwnNamesAndAClickComesBackToThePage) {
  const std::string alphaId = "co.corvan.nimbrel.notes-00a1f3", betaId = "co.corvan.nimbrel.chat-00b2f4";
  GeneratedApp alpha(temp_.path(), "Notes", alphaId, server_.url("/unasked"));
  writeAppIcon(alpha.bundle());
  alpha.start(environment());
  ASSERT_TRUE(waitUntil([&] { return notifications_.find("Hi") && requested("/permission", "p=granted"); }))
      << "granted before the page asks";
  FakeNotificationServer::Shown hi = *notifications_.find("Hi");
  EXPECT_EQ(hi.body, "there");
  EXPECT_EQ(hi.desktopEntry, runlet::applicationId(alphaId));
  EXPECT_EQ(hi.actions, (std::vector<std::string>{"default", ""})) << "clicking the notification itself";
  ASSERT_FALSE(hi.imagePath.empty());
  EXPECT_TRUE(tools::icns::pngSize(std::span(reinterpret_cast<const std::uint8_t*>(testing_support::readFile(hi.imagePath).data()),
                                             testing_support::readFile(hi.imagePath).size())))
      << "the app's own icon, as a picture file";

  GeneratedApp beta(temp_.path(), "Chat", betaId, server_.url("/start"));
  beta.start(environment());
  ASSERT_TRUE(waitUntil([&] { return requested("/before", "p=default"); })) << "another site than the app's own";
  // Pages may ask only when the user acts: the user clicks the page's button.
  std::string window = windowOf(beta);
  ASSERT_TRUE(xdotool({"windowfocus", "--sync", window}));
  ASSERT_FALSE(window.empty());
  ASSERT_TRUE(xdotool({"mousemove", "--window", window, "300", "300", "click", "1"}));
  ASSERT_TRUE(waitUntil([&] { return notifications_.find("Asked") && requested("/asked", "p=granted"); }));
  EXPECT_EQ(notifications_.find("Asked")->desktopEntry, runlet::applicationId(betaId));

  // The newer window has the keyboard; the click on Notes' notification brings Notes forward.
  ASSERT_TRUE(waitUntil([&] { return focusedPid() == std::to_string(beta.pid()); }, std::chrono::seconds(5)));
  notifications_.click(hi.id);
  ASSERT_TRUE(waitUntil([&] { return requested("/clicked", "by=page"); })) << "the page's onclick ran";
  EXPECT_TRUE(waitUntil([&] { return focusedPid() == std::to_string(alpha.pid()); }, std::chrono::seconds(5)));
}

TEST_F(Notifications, ANotificationThePageClosesLeavesTheDesktop) {
  GeneratedApp app(temp_.path(), "Closer", "co.corvan.nimbrel.closer-00c105", server_.url("/closing"));
  app.start(environment());
  ASSERT_TRUE(waitUntil([&] { return notifications_.find("Bye") != nullptr; }));
  ASSERT_TRUE(waitUntil([&] { return !notifications_.closed.empty(); }));
  EXPECT_EQ(notifications_.closed, std::vector<guint32>{notifications_.find("Bye")->id});
}

}  // namespace
}  // namespace runlet_test
