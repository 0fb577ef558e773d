#include "tests/runtime/runlet_harness.hpp"

#include "runtime/rendering.hpp"
#include "tests/runtime/x11_window.hpp"

namespace runlet_test {

namespace plist = platform::plist;

// Drawn the way the app draws on this display; chosen before GTK starts.
bool softwareRendering() {
  static const bool software = runlet::chooseRenderingPath();
  return software;
}

std::string shownLabels(GtkWidget* root) {
  std::string out;
  for (GtkWidget* w : descendants(root)) {
    if (GTK_IS_LABEL(w) && gtk_widget_is_drawable(w) && *gtk_label_get_text(GTK_LABEL(w))) {
      out += std::string(gtk_label_get_text(GTK_LABEL(w))) + ";";
    }
  }
  return out;
}

void RunletWindowTest::SetUp() {
  if (!g_get_prgname()) g_set_prgname("runtime_window_tests");  // a program always has one
  softwareRendering();
  gtk_init();
  bundlePath_ = temp_ / "Test App.app";
  downloadsPath_ = temp_ / "Downloads";
  fs::create_directories(downloadsPath_);
}

void RunletWindowTest::TearDown() {
  for (auto [signal, hook] : hooks_) g_signal_remove_emission_hook(signal, hook);
  delegate_.reset();
  if (application_) g_application_quit(G_APPLICATION(application_.get()));
  application_.reset();
  // Let the web processes' goodbyes run before the temporary folder goes.
  runUntil([] { return false; }, std::chrono::seconds(0));
}

void RunletWindowTest::hookSignal(GType type, const char* signal, std::function<void(const GValue*)> seen) {
  g_type_class_unref(g_type_class_ref(type));  // the signal exists once the class does
  guint id = g_signal_lookup(signal, type);
  hookCallbacks_.push_back(std::make_unique<std::function<void(const GValue*)>>(std::move(seen)));
  hooks_.emplace_back(id, g_signal_add_emission_hook(id, 0, [](GSignalInvocationHint*, guint, const GValue* values, gpointer f) {
    (*static_cast<std::function<void(const GValue*)>*>(f))(values);
    return gboolean(TRUE);
  }, hookCallbacks_.back().get(), nullptr));
}

void RunletWindowTest::writeBundle(const std::optional<plist::Dictionary>& config) {
  static int bundles = 0;
  // Named as the generator names a bundle: after the app.
  std::string name = config ? plist::lookup<std::string>(*config, "name").value_or("Test App") : "Test App";
  std::string id = "co.corvan.nimbrel.test-" + std::to_string(::getpid()) + "-" + std::to_string(bundles++);
  testing_support::writeFile(bundlePath_ / "Contents/Info.plist",
                             plist::toXML(plist::Dictionary{{"CFBundleIdentifier", id}, {"CFBundleName", name},
                                                            {"CFBundleExecutable", "Test App"}}));
  fs::create_directories(bundlePath_ / "Contents/Resources");
  if (config) testing_support::writeFile(bundlePath_ / "Contents/Resources/app.plist", plist::toXML(*config));
}

void RunletWindowTest::writeSiteFile(const fs::path& relative, std::string_view contents) {
  testing_support::writeFile(bundlePath_ / "Contents/Resources/Site" / relative, contents);
}

void RunletWindowTest::launch(const std::optional<plist::Dictionary>& config) {
  if (!fs::exists(bundlePath_ / "Contents/Info.plist")) writeBundle(config);
  server_.start();
  relaunch();
}

void RunletWindowTest::relaunch() {
  static int launches = 0;
  delegate_.reset();
  std::string id = "co.corvan.nimbrel.RunletTest.p" + std::to_string(::getpid()) + "n" + std::to_string(launches++);
  application_ = platform::adoptGRef(gtk_application_new(id.c_str(), G_APPLICATION_NON_UNIQUE));
  platform::GErrorOut error;
  ASSERT_TRUE(g_application_register(G_APPLICATION(application_.get()), nullptr, error.out())) << error.message();
  runlet::AppDelegate::Options options;
  options.bundle = platform::Bundle(bundlePath_);
  options.downloadsFolder = downloadsPath_;
  options.workspace = &workspace_;
  options.softwareRendering = softwareRendering();
  options.loadTimeout = loadTimeout_;
  delegate_ = std::make_unique<runlet::AppDelegate>(application_.get(), options);
  delegate_->launch();
}

std::string RunletWindowTest::windowId() const { return std::to_string(x11WindowId(delegate_->window())); }

bool RunletWindowTest::waitForIdle() {
  return runUntil([&] { return !webkit_web_view_is_loading(delegate_->webView()); });
}

bool RunletWindowTest::waitForPage(const std::string& uri) {
  return runUntil([&] {
    const char* shown = webkit_web_view_get_uri(delegate_->webView());
    return shown && shown == uri && !webkit_web_view_is_loading(delegate_->webView());
  });
}

std::shared_ptr<PendingScript> RunletWindowTest::evaluateLater(const std::string& body) {
  auto script = std::make_shared<PendingScript>();
  // Held until the result lands, even when the test has given up waiting.
  webkit_web_view_call_async_javascript_function(
      delegate_->webView(), body.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
      [](GObject* view, GAsyncResult* result, gpointer data) {
        std::unique_ptr<std::shared_ptr<PendingScript>> owner(static_cast<std::shared_ptr<PendingScript>*>(data));
        platform::GErrorOut error;
        auto value = platform::adoptGRef(
            webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, error.out()));
        platform::GCharPtr json(value ? jsc_value_to_json(value.get(), 0) : nullptr);
        **owner = value ? (json ? json.get() : "undefined") : std::string("error: ") + error.message();
      },
      new std::shared_ptr<PendingScript>(script));
  return script;
}

std::string RunletWindowTest::finish(const std::shared_ptr<PendingScript>& script) {
  return runUntil([&] { return script->has_value(); }) ? **script : "timed out";
}

void RunletWindowTest::clickLink(const std::string& href, const char* download) {
  evaluate("Object.assign(document.createElement('a'), {href: " + href +
           (download ? std::string(", download: '") + download + "'" : "") + "}).click(); return 0");
}

std::vector<fs::path> RunletWindowTest::downloads() const {
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(downloadsPath_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace runlet_test
