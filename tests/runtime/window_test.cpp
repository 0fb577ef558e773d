// A real Runlet window against a loopback server: loading, navigation policy and error pages.
#include <gtest/gtest.h>

#include "platform/user_defaults.hpp"
#include "runtime/menus.hpp"
#include "runtime/site_loading.hpp"
#include "tests/runtime/runlet_harness.hpp"

namespace runlet_test {
namespace {

namespace plist = platform::plist;

plist::Dictionary remote(const std::string& url, const std::string& name = "Example") {
  return {{"name", name}, {"type", "url"}, {"url", url}, {"indexFile", "index.html"}, {"fullcontent", false}};
}

std::string backURI(WebKitWebView* view) {
  auto* item = webkit_back_forward_list_get_back_item(webkit_web_view_get_back_forward_list(view));
  return item ? webkit_back_forward_list_item_get_uri(item) : "";
}

using Loading = RunletWindowTest;

TEST_F(Loading, ConfiguredAddressWithDesktopUserAgentAndTitledWindowAndMenus) {
  server_.page("/", "<title>home</title><p>hello</p>");
  launch(remote("  " + server_.url("/") + "\n"));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  auto requests = server_.requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front().userAgent, runlet::desktopSafariUserAgent());
  EXPECT_STREQ(gtk_window_get_title(delegate_->window()), "Example");

  GMenuModel* menu = G_MENU_MODEL(delegate_->mainMenu());
  auto submenu = [&](const char* title) {
    int index = runlet::indexOfItemWithTitle(menu, title);
    return index < 0 ? nullptr : g_menu_model_get_item_link(menu, index, G_MENU_LINK_SUBMENU);
  };
  auto labels = [](GMenuModel* m, auto& self) -> std::string {
    std::string out;
    for (int i = 0; i < g_menu_model_get_n_items(m); ++i) {
      if (GMenuModel* section = g_menu_model_get_item_link(m, i, G_MENU_LINK_SECTION)) {
        out += "[" + self(section, self) + "]";
        g_object_unref(section);
      } else {
        out += runlet::itemLabel(m, i) + ";";
      }
    }
    return out;
  };
  platform::GRef<GMenuModel> app = platform::GRef<GMenuModel>::adopt(g_menu_model_get_item_link(menu, 0, G_MENU_LINK_SUBMENU));
  EXPECT_EQ(labels(app.get(), labels), "[About Example;][Hide Example;Quit Example;]");
  auto window = platform::GRef<GMenuModel>::adopt(submenu("Window"));
  EXPECT_EQ(labels(window.get(), labels), "[Minimize;Example;]");
  auto view = platform::GRef<GMenuModel>::adopt(submenu("View"));
  EXPECT_EQ(labels(view.get(), labels), "[Enter Full Screen;][Reload;Back;Forward;][Copy Current URL;]");

  auto keysOf = [&](const char* action) {
    std::string keys;
    g_auto(GStrv) accels = gtk_application_get_accels_for_action(application_.get(), action);
    for (char** a = accels; a && *a; ++a) keys += std::string(*a) + " ";
    return keys;
  };
  EXPECT_EQ(keysOf("app.reloadPage"), "<Control>r ");
  EXPECT_EQ(keysOf("app.goBack"), "<Control>bracketleft ");
  EXPECT_EQ(keysOf("app.goForward"), "<Control>bracketright ");
  EXPECT_EQ(keysOf("app.copyCurrentURL"), "<Shift><Control>c ");
  EXPECT_EQ(keysOf("app.hide"), "<Control>h <Control>m ");
}

TEST_F(Loading, MissingRecordShowsTheNoAddressPageInAWindowCalledApp) {
  launch(std::nullopt);
  ASSERT_TRUE(waitForIdle());
  EXPECT_STREQ(gtk_window_get_title(delegate_->window()), "App");
  EXPECT_EQ(pageText(), "\"Can't load this page\\nThis app has no valid web address configured.\"");
}

TEST_F(Loading, LocalSiteWithMissingStartPage) {
  writeBundle(plist::Dictionary{{"name", "Docs"}, {"type", "local"}, {"indexFile", "home.html"}});
  writeSiteFile("index.html", "<p>other</p>");
  launch(std::nullopt);
  ASSERT_TRUE(waitForIdle());
  EXPECT_EQ(pageText(), "\"Can't load this page\\nThe bundled website is missing home.html.\"");
}

TEST_F(Loading, LocalSiteReadsItsOwnFilesAndNothingOutside) {
  writeBundle(plist::Dictionary{{"name", "Docs"}, {"type", "local"}, {"indexFile", "docs/start.html"}});
  writeSiteFile("docs/start.html", "<title>start</title><p>start</p>");
  writeSiteFile("data/values.json", "{\"ok\":true}");
  testing_support::writeFile(bundlePath_ / "Contents/Resources/secret.txt", "secret");
  fs::create_symlink(bundlePath_ / "Contents/Resources/secret.txt", bundlePath_ / "Contents/Resources/Site/leak.txt");
  launch(std::nullopt);
  ASSERT_TRUE(waitForPage("runlet://site/docs/start.html"));
  auto read = [&](const std::string& url) {
    return evaluate("try { const r = await fetch(" + url + "); return r.ok ? await r.text() : 'status ' + r.status; }"
                    " catch (e) { return 'refused'; }");
  };
  EXPECT_EQ(read("'../data/values.json'"), "\"{\\\"ok\\\":true}\"");
  EXPECT_EQ(read("'../secret.txt'"), "\"refused\"");
  EXPECT_EQ(read("'/%2e%2e/secret.txt'"), "\"refused\"");
  EXPECT_EQ(read("'runlet://site/%2E%2E%2Fsecret.txt'"), "\"refused\"");
  EXPECT_EQ(read("'/leak.txt'"), "\"refused\"");
  EXPECT_EQ(read("'file://" + (bundlePath_ / "Contents/Resources/secret.txt").string() + "'"), "\"refused\"");
  // A secure origin of its own: storage works and survives in the app's session.
  EXPECT_EQ(evaluate("localStorage.setItem('k', 'v'); return localStorage.getItem('k') + ' ' + window.isSecureContext"),
            "\"v true\"");
  EXPECT_EQ(evaluate("return window.__nblExportBridge === true"), "true") << "exports work on local sites too";
}

using Window = RunletWindowTest;

TEST_F(Window, SizeIsRememberedPerAppAndADamagedEntryIsIgnored) {
  server_.page("/", "<p>x</p>");
  launch(remote(server_.url("/")));
  gtk_window_set_default_size(delegate_->window(), 900, 640);
  gtk_window_close(delegate_->window());
  ASSERT_TRUE(waitUntil([&] { return delegate_->window() == nullptr; }));
  auto identifier = *platform::Bundle(bundlePath_).identifier();
  platform::UserDefaults defaults(identifier);
  EXPECT_EQ(defaults.object("NimbrelMainWindow"),
            plist::Value(plist::Dictionary{{"width", 900}, {"height", 640}, {"maximized", false}}));

  relaunch();
  int width = 0, height = 0;
  gtk_window_get_default_size(delegate_->window(), &width, &height);
  EXPECT_EQ(width, 900);
  EXPECT_EQ(height, 640);

  defaults.set("NimbrelMainWindow", plist::Dictionary{{"width", "wide"}, {"height", 640}});
  relaunch();
  gtk_window_get_default_size(delegate_->window(), &width, &height);
  EXPECT_EQ(width, 1200);
}

TEST_F(Window, FullContentHidesTheTitleButKeepsItSet) {
  server_.page("/", "<p>x</p>");
  auto config = remote(server_.url("/"), "Full");
  config["fullcontent"] = true;
  launch(config);
  EXPECT_STREQ(gtk_window_get_title(delegate_->window()), "Full");
  GtkWidget* bar = gtk_window_get_titlebar(delegate_->window());
  ASSERT_TRUE(bar && GTK_IS_HEADER_BAR(bar));
  GtkWidget* title = gtk_header_bar_get_title_widget(GTK_HEADER_BAR(bar));
  ASSERT_TRUE(title && GTK_IS_LABEL(title));
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(title)), "");
}

TEST_F(Window, CopyCurrentURLPutsTheAddressOnTheClipboardOnly) {
  server_.page("/page", "<p>x</p>");
  launch(remote(server_.url("/page?q=1")));
  ASSERT_TRUE(waitForPage(server_.url("/page?q=1")));
  GdkClipboard* clipboard = gtk_widget_get_clipboard(GTK_WIDGET(delegate_->window()));
  g_action_group_activate_action(G_ACTION_GROUP(application_.get()), "copyCurrentURL", nullptr);
  struct Read {
    bool done = false;
    std::string text;
  } read;
  gdk_clipboard_read_text_async(clipboard, nullptr, [](GObject* source, GAsyncResult* result, gpointer data) {
    auto* r = static_cast<Read*>(data);
    platform::GCharPtr text(gdk_clipboard_read_text_finish(GDK_CLIPBOARD(source), result, nullptr));
    r->text = text ? text.get() : "";
    r->done = true;
  }, &read);
  ASSERT_TRUE(waitUntil([&] { return read.done; }));
  EXPECT_EQ(read.text, server_.url("/page?q=1"));
  auto* formats = gdk_clipboard_get_formats(clipboard);
  EXPECT_TRUE(gdk_content_formats_contain_gtype(formats, G_TYPE_STRING));
}

using Navigation = RunletWindowTest;

TEST_F(Navigation, ScriptWindowsAndBlankTargetsLoadInTheSameViewAfterTheOpener) {
  server_.page("/opener", "<p>opener</p>");
  server_.page("/opened", "<p>opened</p>");
  server_.page("/links", "<a id=l target=_blank href=/landing>go</a>");
  server_.page("/landing", "<p>landing</p>");
  launch(remote(server_.url("/opener")));
  ASSERT_TRUE(waitForPage(server_.url("/opener")));
  evaluate("window.open('" + server_.url("/opened") + "', 'popup', 'width=300'); return 0");
  ASSERT_TRUE(waitForPage(server_.url("/opened")));
  EXPECT_EQ(backURI(delegate_->webView()), server_.url("/opener"));

  webkit_web_view_load_uri(delegate_->webView(), server_.url("/links").c_str());
  ASSERT_TRUE(waitForPage(server_.url("/links")));
  evaluate("document.getElementById('l').click(); return 0");
  ASSERT_TRUE(waitForPage(server_.url("/landing")));
  EXPECT_EQ(backURI(delegate_->webView()), server_.url("/links"));
  // Each target was requested once: no second window or second load.
  int landings = 0;
  for (const auto& r : server_.requests()) landings += r.path == "/landing";
  EXPECT_EQ(landings, 1);
}

TEST_F(Navigation, ExternalSchemesFromAnyFrameGoToTheSystemAndThePageStays) {
  server_.page("/", "<title>main</title><a id=m href='MAILTO:someone@example.org'>mail</a><iframe src=/frame></iframe>");
  server_.page("/frame", "<a id=t href='tel:+4930123'>call</a><script>document.getElementById('t').click()</script>");
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  ASSERT_TRUE(waitUntil([&] { return !workspace_.opened.empty(); }));
  evaluate("document.getElementById('m').click(); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.opened.size() == 2; }));
  EXPECT_EQ(workspace_.opened[0], "tel:+4930123");
  EXPECT_EQ(workspace_.opened[1], "mailto:someone@example.org");
  EXPECT_EQ(evaluate("return location.href + ' ' + document.title"), "\"" + server_.url("/") + " main\"");
  EXPECT_EQ(evaluate("return document.querySelector('iframe').contentWindow.location.href"),
            "\"" + server_.url("/frame") + "\"");
}

TEST_F(Navigation, MainFrameDataBecomesADownloadWhileADataFrameLoads) {
  server_.page("/", "<script>addEventListener('message', e => window.framed = e.data)</script>"
                    "<iframe src=\"data:text/html,<script>parent.postMessage('framed', '*')</script>\"></iframe>");
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  EXPECT_EQ(evaluate("for (let i = 0; i < 500 && !window.framed; i++) await new Promise(r => setTimeout(r, 10));"
                     " return window.framed"),
            "\"framed\"");
  EXPECT_TRUE(downloads().empty());

  evaluate("location.href = 'data:text/plain;base64,SGVsbG8='; return 0");
  ASSERT_TRUE(waitUntil([&] { return !workspace_.revealed.empty(); }));
  ASSERT_EQ(downloads().size(), 1u);
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / downloads()[0]), "Hello");
  EXPECT_EQ(evaluate("return location.href"), "\"" + server_.url("/") + "\"");
}

TEST_F(Navigation, ANewWindowForAPageBuiltFileBecomesADownload) {
  server_.page("/", "<p>stays</p>");
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  evaluate("window.open('data:text/plain;base64,bmV3IHdpbmRvdw=='); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 1; }));
  EXPECT_EQ(testing_support::readFile(workspace_.revealed[0]), "new window");
  EXPECT_EQ(evaluate("return location.href"), "\"" + server_.url("/") + "\"");
}

TEST_F(Navigation, UnshowableResponseBecomesADownload) {
  server_.page("/", "<a id=a href=/archive>get</a>");
  server_.routes().Get("/archive", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string("PK\x03\x04 archive", 12), "application/x-nimbrel-archive");
  });
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  evaluate("document.getElementById('a').click(); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 1; }));
  EXPECT_EQ(workspace_.revealed[0], downloadsPath_ / "archive");
  EXPECT_EQ(testing_support::readFile(workspace_.revealed[0]), std::string("PK\x03\x04 archive", 12));
  EXPECT_EQ(evaluate("return location.href"), "\"" + server_.url("/") + "\"");
  EXPECT_EQ(workspace_.alerts, 0);
}

using Errors = RunletWindowTest;

TEST_F(Errors, UnreachableHostWithNoPageShowsTheEnginesMessage) {
  launch(remote("http://nimbrel-test-host.invalid/"));
  ASSERT_TRUE(waitUntil([&] { return !loadFailures_.empty(); }));
  ASSERT_TRUE(waitUntil([&] { return currentURI() == "about:blank" && !webkit_web_view_is_loading(delegate_->webView()); }));
  std::string text = pageText();
  EXPECT_EQ(text, "\"Can't load this page\\n" + loadFailures_[0] + "\"");
}

TEST_F(Errors, FailureWhileAPageIsShownAndIdleLeavesThePage) {
  server_.page("/", "<title>kept</title><p>kept</p>");
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  std::string refused = "http://127.0.0.1:" + std::to_string(refusedLoopbackPort()) + "/gone";
  evaluate("location.href = '" + refused + "'; return 0");
  ASSERT_TRUE(waitUntil([&] { return !loadFailures_.empty(); }));
  ASSERT_TRUE(waitForIdle());
  EXPECT_EQ(evaluate("return document.title + ' ' + location.href"), "\"kept " + server_.url("/") + "\"");
}

}  // namespace
}  // namespace runlet_test
