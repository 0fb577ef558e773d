// A real Runlet window against a loopback server: loading, navigation policy and error pages.
#include <gtest/gtest.h>

#include "platform/user_defaults.hpp"
#include "tests/runtime/runlet_harness.hpp"
#include "tests/runtime/x11_window.hpp"

namespace runlet_test {
namespace {

namespace plist = platform::plist;

using Loading = RunletWindowTest;

// The configured address loads under the name as typed. Then the MIME type alone decides: files built
// in the page and types the view cannot show are saved, the page staying; a showable attachment is shown.
TEST_F(Loading, ConfiguredAddressNameShownAsTypedAndTheMIMETypeAloneDecidesWhatIsSavedOrShown) {
  server_.page("/", "<script>addEventListener('message', e => window.framed = e.data)</script>"
                    "<iframe src=\"data:text/html,<script>parent.postMessage('framed', '*')</script>\"></iframe>");
  server_.routes().Get("/archive", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string("PK\x03\x04 archive", 12), "application/x-nimbrel-archive");
  });
  server_.routes().Get("/notes.txt", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Disposition", "attachment; filename=\"notes.txt\"");
    res.set_content("plain notes", "text/plain");
  });
  launch(remote("  " + server_.url("/?q=1") + "\n", "My_App"));
  ASSERT_TRUE(waitForPage(server_.url("/?q=1")));
  ASSERT_FALSE(server_.log().empty());
  EXPECT_EQ(server_.log().front().userAgent, "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 "
                                             "(KHTML, like Gecko) Version/17.0 Safari/605.1.15");
  EXPECT_STREQ(gtk_window_get_title(delegate_->window()), "My_App");
  EXPECT_EQ(evaluate("for (let i = 0; i < 500 && !window.framed; i++) await new Promise(r => setTimeout(r, 10));"
                     " return window.framed"),
            "\"framed\"") << "a data frame loads";
  EXPECT_TRUE(downloads().empty());

  // Saved, the page staying.
  const struct {
    std::string script, saved, content;
  } rows[] = {
      {"location.href = 'data:text/plain;base64,SGVsbG8='", "", "Hello"},
      {"window.open('data:text/plain;base64,bmV3IHdpbmRvdw==')", "", "new window"},
      {"location.href = '/archive'", "archive", std::string("PK\x03\x04 archive", 12)},
      {"Object.assign(document.createElement('a'), {href: '/notes.txt', download: ''}).click()",
       "notes.txt", "plain notes"},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    evaluate(rows[i].script + "; return 0");
    ASSERT_TRUE(runUntil([&] { return workspace_.revealed.size() == i + 1; })) << rows[i].script;
    if (!rows[i].saved.empty()) {
      EXPECT_EQ(workspace_.revealed[i], downloadsPath_ / rows[i].saved) << rows[i].script;
    }
    EXPECT_EQ(testing_support::readFile(workspace_.revealed[i]), rows[i].content) << rows[i].script;
    EXPECT_EQ(evaluate("return location.href"), quoted(server_.url("/?q=1"))) << rows[i].script;
  }
  EXPECT_EQ(workspace_.alerts, 0);

  // The user opens the menus: the name reads as typed everywhere, the web commands end the View menu.
  auto find = [](GtkWidget* root, GType type) -> GtkWidget* {
    for (GtkWidget* w : descendants(root)) {
      if (G_TYPE_CHECK_INSTANCE_TYPE(w, type) && gtk_widget_get_visible(w)) return w;
    }
    return nullptr;
  };
  GtkWidget* bar = find(GTK_WIDGET(delegate_->window()), GTK_TYPE_POPOVER_MENU_BAR);
  ASSERT_TRUE(bar);
  auto openMenu = [&](int index) {
    GtkWidget* item = gtk_widget_get_first_child(bar);
    for (int i = 0; i < index; ++i) item = gtk_widget_get_next_sibling(item);
    auto point = windowPoint(item, 5, 5);
    EXPECT_TRUE(xdotool({"mousemove", "--window", windowId(), point[0], point[1], "click", "1"}));
    GtkWidget* popover = nullptr;
    EXPECT_TRUE(runUntil([&] { return (popover = find(item, GTK_TYPE_POPOVER)) && !shownLabels(popover).empty(); }));
    std::string labels = popover ? shownLabels(popover) : "";
    // An open menu holds the pointer and keyboard beyond its window's end.
    if (popover) gtk_popover_popdown(GTK_POPOVER(popover));
    EXPECT_TRUE(runUntil([&] { return !popover || !gtk_widget_get_visible(popover); }));
    return labels;
  };
  EXPECT_EQ(openMenu(0), "About My_App;Hide My_App;Quit My_App;Ctrl+Q;");
  EXPECT_NE(shownLabels(bar).find("My_App;Edit;View;Window;"), std::string::npos) << shownLabels(bar);
  EXPECT_EQ(openMenu(2), "Enter Full Screen;F11;Reload;Ctrl+R;Back;Alt+Left;Forward;Alt+Right;Copy Current URL;Shift+Ctrl+C;");
  EXPECT_EQ(openMenu(3), "Minimize;Close;Ctrl+W;My_App;");

  // Copy Current URL puts the address, as text, on the clipboard.
  g_action_group_activate_action(G_ACTION_GROUP(application_.get()), "copyCurrentURL", nullptr);
  evaluate("document.body.innerHTML = '<input id=to>'; document.getElementById('to').focus(); return 0");
  webkit_web_view_execute_editing_command(delegate_->webView(), WEBKIT_EDITING_COMMAND_PASTE);
  EXPECT_TRUE(runUntil([&] { return evaluate("return to.value") == quoted(server_.url("/?q=1")); }));

  // A showable attachment is shown.
  evaluate("location.href = '/notes.txt'; return 0");
  ASSERT_TRUE(waitForPage(server_.url("/notes.txt")));
  EXPECT_EQ(pageText(), "\"plain notes\"");
  EXPECT_EQ(workspace_.revealed.size(), std::size(rows));
}

// Failures show the error page only while nothing else is on screen.
TEST_F(Loading, ErrorPageOnlyOverNothingAndALocalSiteReadingOnlyItsOwnFiles) {
  server_.page("/", "<title>kept</title><p>kept</p>");
  server_.routes().Get("/silent", [this](const httplib::Request&, httplib::Response&) { server_.hang(); });
  launch(std::nullopt);
  ASSERT_TRUE(waitForIdle());
  EXPECT_EQ(pageText(), "\"Can't load this page\\nThis app has no valid web address configured.\"");

  // A silent server, after the load limit. Load failures as the engine reported them, seen before the
  // app's handler stops the emission.
  std::vector<std::string> failures;
  hookSignal(WEBKIT_TYPE_WEB_VIEW, "load-failed", [&](const GValue* values) {
    failures.push_back(static_cast<GError*>(g_value_get_boxed(&values[3]))->message);
  });
  loadTimeout_ = std::chrono::seconds(1);
  writeBundle(remote(server_.url("/silent")));
  relaunch();
  ASSERT_TRUE(waitForPage("about:blank"));
  EXPECT_EQ(pageText(), "\"Can't load this page\\nThe request timed out.\"");
  // A new-window load gets the same limit; a refused load leaves the shown page too.
  webkit_web_view_load_uri(delegate_->webView(), server_.url("/").c_str());
  ASSERT_TRUE(waitForPage(server_.url("/")));
  evaluate("window.open('" + server_.url("/silent?popup") + "'); return 0");
  ASSERT_TRUE(runUntil([&] { return webkit_web_view_is_loading(delegate_->webView()); }));
  ASSERT_TRUE(waitForIdle());
  EXPECT_EQ(evaluate("return document.title + ' ' + location.href"), quoted("kept " + server_.url("/")));
  evaluate("location.href = 'http://127.0.0.1:" + std::to_string(testing_support::refusedLoopbackPort()) + "/gone'; return 0");
  ASSERT_TRUE(runUntil([&] { return !failures.empty(); }));
  ASSERT_TRUE(waitForIdle());
  EXPECT_EQ(evaluate("return document.title + ' ' + location.href"), quoted("kept " + server_.url("/")));
  // With no page at all, the engine's own words.
  failures.clear();
  loadTimeout_ = std::chrono::seconds(60);
  writeBundle(remote("http://nimbrel-test-host.invalid/"));
  relaunch();
  ASSERT_TRUE(runUntil([&] { return !failures.empty(); }));
  ASSERT_TRUE(waitForPage("about:blank"));
  EXPECT_EQ(pageText(), "\"Can't load this page\\n" + failures[0] + "\"");

  // A start page outside the site is missing; its name is shown as written.
  const std::string outside = "../<b>start</b>&amp;.html";
  writeBundle(plist::Dictionary{{"name", "Docs"}, {"type", "local"}, {"indexFile", outside}});
  testing_support::writeFile(bundlePath_ / "Contents/Resources/<b>start</b>&amp;.html", "outside");
  writeSiteFile("index.html", "<p>other</p>");
  relaunch();
  ASSERT_TRUE(waitForIdle());
  EXPECT_EQ(pageText(), "\"Can't load this page\\nThe bundled website is missing " + outside + ".\"");

  // The address of a local site's record is not used.
  writeBundle(plist::Dictionary{{"name", "Docs"}, {"type", "local"}, {"indexFile", "docs/start.html"},
                                {"url", "http://nimbrel-test-host.invalid/"}});
  writeSiteFile("docs/start.html", "<title>start</title><p>start</p>");
  writeSiteFile("data/values.json", "{\"ok\":true}");
  writeSiteFile("docs/empty.wasm", std::string("\0asm\1\0\0\0", 8));
  writeSiteFile("docs/answer.mjs", "export const answer = 42;");
  testing_support::writeFile(bundlePath_ / "Contents/Resources/secret.txt", "secret");
  fs::create_symlink(bundlePath_ / "Contents/Resources/secret.txt", bundlePath_ / "Contents/Resources/Site/leak.txt");
  relaunch();
  ASSERT_TRUE(waitForPage("runlet://site/docs/start.html"));
  // Links, encodings, a sibling folder sharing the site's name, a NUL and file: never leave the site.
  fs::create_symlink("values.json", bundlePath_ / "Contents/Resources/Site/data/alias.json");
  testing_support::writeFile(bundlePath_ / "Contents/Resources/Site2/other.html", "other");
  const std::string secret = "file://" + (bundlePath_ / "Contents/Resources/secret.txt").string();
  EXPECT_EQ(evaluate(R"(const out = []; for (const u of ['../data/values.json', '/data/alias.json',
                     'runlet://site/%2E%2E%2Fsecret.txt', 'runlet://site/%2E%2E%2FSite2%2Fother.html', '/leak.txt',
                     'start.html%00x', ')" + secret + R"(']) {
                       out.push(await fetch(u).then(r => r.ok ? r.text() : 'status ' + r.status, () => 'refused'));
                     }
                     return out.join(' '))"),
            "\"{\\\"ok\\\":true} {\\\"ok\\\":true} refused refused refused refused refused\"");
  // Types as browsers require them: streamed WebAssembly and module scripts.
  EXPECT_EQ(evaluate("const m = await WebAssembly.instantiateStreaming(fetch('empty.wasm'));"
                     "return (m.instance instanceof WebAssembly.Instance) + ' ' + (await import('./answer.mjs')).answer"),
            "\"true 42\"");
  // A secure origin of its own where storage works; exports work on local sites too.
  EXPECT_EQ(evaluate("localStorage.setItem('k', 'v');"
                     "return [localStorage.getItem('k'), window.isSecureContext, window.__nblExportBridge].join(' ')"),
            "\"v true true\"");
}

using Window = RunletWindowTest;

TEST_F(Window, FullContentPageReachesTheTopAndItsTitleStripMovesTheWindow) {
  // The page paints itself magenta and records presses that reach it.
  server_.page("/", "<style>html,body{margin:0;height:100%;background:#ff00ff}</style>"
                    "<script>window.presses = 0; addEventListener('mousedown', () => window.presses++)</script>");
  // Once the page shows on screen: whether its colour reaches the window's first row.
  auto topRowIsPage = [&] {
    std::vector<std::uint32_t> column;
    EXPECT_TRUE(runUntil([&] {
      column = middleColumn(x11WindowId(delegate_->window()));
      return !column.empty() && column[column.size() / 2] == 0xFF00FF;
    }));
    double dx = 0, dy = 0;
    gtk_native_get_surface_transform(GTK_NATIVE(delegate_->window()), &dx, &dy);
    return column.size() > dy && column[static_cast<size_t>(dy)] == 0xFF00FF;
  };
  ASSERT_TRUE(openPage("/", "Framed"));
  EXPECT_FALSE(topRowIsPage()) << "a bar above the page";

  auto config = remote(server_.url("/"), "Full");
  config["fullcontent"] = true;
  testing_support::writeFile(bundlePath_ / "Contents/Resources/app.plist", plist::toXML(config));
  relaunch();
  ASSERT_TRUE(waitForPage(server_.url("/")));
  EXPECT_TRUE(topRowIsPage());

  // Dragged by its top strip, the window moves and the page sees no press;
  // below the strip the page has its clicks.
  GtkWidget* view = GTK_WIDGET(delegate_->webView());
  auto before = screenPosition(x11WindowId(delegate_->window()));
  auto strip = windowPoint(view, gtk_widget_get_width(view) / 2.0, 8);
  // Step by step, as a hand moves: the window goes where the pointer goes from the press on,
  // however late the move begins.
  ASSERT_TRUE(xdotool({"mousemove", "--window", windowId(), strip[0], strip[1], "mousedown", "1"}));
  for (auto [dx, dy] : {std::pair{"20", "15"}, {"40", "30"}, {"30", "25"}, {"30", "20"}}) {
    ASSERT_TRUE(xdotool({"mousemove_relative", "--sync", dx, dy}));
    runUntil([] { return false; }, std::chrono::milliseconds(300));
  }
  ASSERT_TRUE(xdotool({"mouseup", "1"}));
  // Slow builds are still moving the window after the release: wait for where it ends.
  auto moved = [&] {
    auto after = screenPosition(x11WindowId(delegate_->window()));
    return std::make_pair(after.first - before.first, after.second - before.second);
  };
  runUntil([&] { return moved() == std::make_pair(120, 90); }, std::chrono::seconds(5));
  EXPECT_EQ(moved(), std::make_pair(120, 90));
  EXPECT_EQ(evaluate("return window.presses"), "0");
  auto page = windowPoint(view, gtk_widget_get_width(view) / 2.0, 200);
  ASSERT_TRUE(xdotool({"mousemove", "--window", windowId(), page[0], page[1], "click", "1"}));
  EXPECT_TRUE(runUntil([&] { return evaluate("return window.presses") == "1"; }, std::chrono::seconds(5)));
}

using Keyboard = RunletWindowTest;

// Ends with Ctrl+W: the closed window's size is kept for the next start.
TEST_F(Keyboard, PagesKeepTheirKeysTheAppTakesGnomesAndTheSizeIsRemembered) {
  server_.page("/a", "<title>a</title><input id=from value='typed text'><input id=to>"
                     "<script>window.keys = []; addEventListener('keydown', e => {"
                     "  if (e.ctrlKey || e.altKey) keys.push((e.ctrlKey ? 'ctrl+' : 'alt+') + e.key) })</script>");
  server_.page("/b", "<title>b</title>");
  ASSERT_TRUE(openPage("/a"));
  auto press = [&](std::initializer_list<const char*> keys) {
    // Keys sent before the page holds the focus go nowhere, most often on a busy machine.
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", windowId()}));
    ASSERT_TRUE(runUntil([&] { return evaluate("return document.hasFocus()") == "true"; }));
    std::vector<std::string> args{"key", "--clearmodifiers"};
    args.insert(args.end(), keys.begin(), keys.end());
    ASSERT_TRUE(xdotool(args));
  };
  evaluate("document.getElementById('from').focus(); return 0");
  // What web editors use for find, replace and indenting, and the edit keys.
  press({"ctrl+h", "ctrl+bracketleft", "ctrl+bracketright", "ctrl+a", "ctrl+c"});
  // Keys and scripts reach the page by different ways: the focus moves once the keys are in.
  ASSERT_TRUE(runUntil([&] { return evaluate("return keys.length") == "5"; })) << evaluate("return keys.join(' ')");
  evaluate("document.getElementById('to').focus(); return 0");
  press({"ctrl+v"});
  ASSERT_TRUE(runUntil([&] { return evaluate("return document.getElementById('to').value") == "\"typed text\""; }));
  EXPECT_EQ(evaluate("return keys.join(' ')"), "\"ctrl+h ctrl+[ ctrl+] ctrl+a ctrl+c ctrl+v\"");
  auto* surface = gtk_native_get_surface(GTK_NATIVE(delegate_->window()));
  EXPECT_FALSE(gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED);

  for (const char* reload : {"ctrl+r", "F5"}) {
    auto before = server_.count("/a");
    press({reload});
    ASSERT_TRUE(runUntil([&] { return server_.count("/a") == before + 1; })) << reload;
    ASSERT_TRUE(waitForPage(server_.url("/a")));
  }
  webkit_web_view_load_uri(delegate_->webView(), server_.url("/b").c_str());
  ASSERT_TRUE(waitForPage(server_.url("/b")));
  press({"alt+Left"});
  ASSERT_TRUE(waitForPage(server_.url("/a")));
  press({"alt+Right"});
  ASSERT_TRUE(waitForPage(server_.url("/b")));
  gtk_window_set_default_size(delegate_->window(), 900, 640);
  press({"ctrl+w"});
  ASSERT_TRUE(runUntil([&] { return delegate_->window() == nullptr; })) << "Ctrl+W closes the window";

  platform::UserDefaults defaults(*platform::Bundle(bundlePath_).identifier());
  EXPECT_EQ(defaults.object("NimbrelMainWindow"),
            plist::Value(plist::Dictionary{{"width", 900}, {"height", 640}, {"maximized", false}}));
  relaunch();
  int width = 0, height = 0;
  gtk_window_get_default_size(delegate_->window(), &width, &height);
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(900, 640));
  defaults.set("NimbrelMainWindow", plist::Dictionary{{"width", "wide"}, {"height", 640}});
  relaunch();
  gtk_window_get_default_size(delegate_->window(), &width, &height);
  EXPECT_EQ(width, 1200) << "a damaged entry is ignored";
}

}  // namespace
}  // namespace runlet_test
