#include "tests/runtime/runlet_harness.hpp"

#include <atomic>

#include "runtime/rendering.hpp"
#include "tests/runtime/x11_window.hpp"

namespace runlet_test {

namespace plist = platform::plist;

namespace {

std::string freshIdentifier() {
  static std::atomic<int> counter{0};
  return "co.corvan.nimbrel.test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

using Evaluation = PendingScript;

void onEvaluated(GObject* view, GAsyncResult* result, gpointer data) {
  // Held until the result lands, even when the test has given up waiting.
  std::shared_ptr<Evaluation> owner(*static_cast<std::shared_ptr<Evaluation>*>(data));
  delete static_cast<std::shared_ptr<Evaluation>*>(data);
  auto* evaluation = owner.get();
  platform::GErrorOut error;
  auto value = platform::adoptGRef(webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result,
                                                                                         error.out()));
  if (value) {
    platform::GCharPtr json(jsc_value_to_json(value.get(), 0));
    evaluation->json = json ? json.get() : "undefined";
  } else {
    evaluation->json = std::string("error: ") + error.message();
  }
  evaluation->done = true;
}

// An emission hook sees the failure before the app's handler, which stops the emission.
gboolean onTestLoadFailed(GSignalInvocationHint*, guint count, const GValue* values, gpointer data) {
  if (count >= 4) {
    if (auto* error = static_cast<GError*>(g_value_get_boxed(&values[3]))) {
      static_cast<std::vector<std::string>*>(data)->push_back(error->message);
    }
  }
  return TRUE;
}

}  // namespace

bool xdotool(const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>("xdotool")};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  GPid pid = 0;
  if (!g_spawn_async(nullptr, argv.data(), nullptr, GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr,
                     nullptr, &pid, nullptr)) {
    return false;
  }
  // The main loop runs meanwhile, so the window answers what xdotool waits for.
  struct Exit {
    bool done = false;
    int status = 0;
  } exit;
  g_child_watch_add(pid, [](GPid child, int status, gpointer data) {
    static_cast<Exit*>(data)->status = status;
    static_cast<Exit*>(data)->done = true;
    g_spawn_close_pid(child);
  }, &exit);
  return waitUntil([&] { return exit.done; }) && g_spawn_check_wait_status(exit.status, nullptr);
}

std::string RunletWindowTest::windowId() const { return std::to_string(x11WindowId(delegate_->window())); }

void RunletWindowTest::SetUp() {
  if (!g_get_prgname()) g_set_prgname("runtime_window_tests");  // a program always has one
  // Drawn the way the app draws on this display.
  static const bool softwareRendering = runlet::chooseRenderingPath();
  softwareRendering_ = softwareRendering;
  gtk_init();
  bundlePath_ = temp_ / "Test App.app";
  downloadsPath_ = temp_ / "Downloads";
  fs::create_directories(downloadsPath_);
}

void RunletWindowTest::TearDown() {
  if (loadFailedHook_) g_signal_remove_emission_hook(g_signal_lookup("load-failed", WEBKIT_TYPE_WEB_VIEW), loadFailedHook_);
  delegate_.reset();
  if (application_) g_application_quit(G_APPLICATION(application_.get()));
  application_.reset();
  // Let the web processes' goodbyes run before the temporary folder goes.
  waitUntil([] { return false; }, std::chrono::seconds(0));
}

void RunletWindowTest::writeBundle(const std::optional<plist::Dictionary>& config) {
  // Named as the generator names a bundle: after the app.
  std::string name = "Test App";
  if (config) name = plist::lookup<std::string>(*config, "name").value_or(name);
  plist::Dictionary info{{"CFBundleIdentifier", freshIdentifier()}, {"CFBundleName", name},
                         {"CFBundleExecutable", "Test App"}};
  testing_support::writeFile(bundlePath_ / "Contents/Info.plist", plist::toXML(info));
  fs::create_directories(bundlePath_ / "Contents/Resources");
  if (config) testing_support::writeFile(bundlePath_ / "Contents/Resources/app.plist", plist::toXML(*config));
}

void RunletWindowTest::writeSiteFile(const fs::path& relative, std::string_view contents) {
  testing_support::writeFile(bundlePath_ / "Contents/Resources/Site" / relative, contents);
}

void RunletWindowTest::launch(const std::optional<plist::Dictionary>& config, platform::Workspace* workspace) {
  if (!fs::exists(bundlePath_ / "Contents/Info.plist")) writeBundle(config);
  server_.start();
  start(workspace);
}

void RunletWindowTest::relaunch() {
  delegate_.reset();
  start(activeWorkspace_);
}

void RunletWindowTest::start(platform::Workspace* workspace) {
  activeWorkspace_ = workspace ? workspace : &workspace_;
  static int launches = 0;
  std::string id = "co.corvan.nimbrel.RunletTest.p" + std::to_string(::getpid()) + "n" + std::to_string(launches++);
  application_ = platform::adoptGRef(gtk_application_new(id.c_str(), G_APPLICATION_NON_UNIQUE));
  platform::GErrorOut error;
  ASSERT_TRUE(g_application_register(G_APPLICATION(application_.get()), nullptr, error.out())) << error.message();
  runlet::AppDelegate::Options options;
  options.bundle = platform::Bundle(bundlePath_);
  options.downloadsFolder = downloadsPath_;
  options.workspace = activeWorkspace_;
  options.softwareRendering = softwareRendering_;
  options.loadTimeout = loadTimeout_;
  g_type_class_unref(g_type_class_ref(WEBKIT_TYPE_WEB_VIEW));  // the signal exists once the class does
  if (!loadFailedHook_) loadFailedHook_ = g_signal_add_emission_hook(g_signal_lookup("load-failed", WEBKIT_TYPE_WEB_VIEW), 0,
                                               onTestLoadFailed, &loadFailures_, nullptr);
  delegate_ = std::make_unique<runlet::AppDelegate>(application_.get(), options);
  delegate_->launch();
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
  auto end = std::chrono::steady_clock::now() + deadline;
  // A ticking source, so the deadline is seen even when nothing else happens.
  guint tick = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool reached = false;
  platform::runMainLoopUntil([&] {
    reached = done();
    return reached || std::chrono::steady_clock::now() >= end;
  });
  g_source_remove(tick);
  return reached;
}

std::string RunletWindowTest::currentURI() const {
  const char* uri = webkit_web_view_get_uri(delegate_->webView());
  return uri ? uri : "";
}

bool RunletWindowTest::waitForIdle() {
  return waitUntil([&] { return !webkit_web_view_is_loading(delegate_->webView()); });
}

bool RunletWindowTest::waitForPage(const std::string& uri) {
  return waitUntil([&] { return currentURI() == uri && !webkit_web_view_is_loading(delegate_->webView()); });
}

std::shared_ptr<PendingScript> RunletWindowTest::evaluateLater(const std::string& body) {
  auto script = std::make_shared<PendingScript>();
  script->cancellable = platform::adoptGRef(g_cancellable_new());
  webkit_web_view_call_async_javascript_function(delegate_->webView(), body.c_str(), -1, nullptr, nullptr, nullptr,
                                                 script->cancellable.get(), onEvaluated,
                                                 new std::shared_ptr<PendingScript>(script));
  return script;
}

std::string RunletWindowTest::finish(const std::shared_ptr<PendingScript>& script) {
  if (!waitUntil([&] { return script->done; })) {
    g_cancellable_cancel(script->cancellable.get());
    return "timed out";
  }
  return script->json;
}

std::string RunletWindowTest::evaluate(const std::string& body) { return finish(evaluateLater(body)); }

void RunletWindowTest::clickLink(const std::string& href, const char* download) {
  std::string name = download ? std::string("a.setAttribute('download', '") + download + "');" : "";
  evaluate("const a = document.createElement('a'); a.href = " + href + "; " + name + " a.click(); return 0");
}

GtkWindow* RunletWindowTest::panel(GType type) const {
  GListModel* toplevels = gtk_window_get_toplevels();  // owned by GTK
  for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
    auto window = platform::GRef<GtkWindow>::adopt(GTK_WINDOW(g_list_model_get_item(toplevels, i)));
    if (window.get() != delegate_->window() && G_TYPE_CHECK_INSTANCE_TYPE(window.get(), type) &&
        gtk_widget_get_visible(GTK_WIDGET(window.get()))) {
      return window.get();
    }
  }
  return nullptr;
}

GtkWindow* RunletWindowTest::waitForPanel(GType type) {
  waitUntil([&] { return panel(type) != nullptr; });
  return panel(type);
}

std::vector<fs::path> RunletWindowTest::downloads() const {
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(downloadsPath_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace runlet_test
