// Saving what sites offer: downloads through the engine and files built in
// the page through the export bridge, in a real window.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/runtime/runlet_harness.hpp"

namespace runlet_test {
namespace {

namespace plist = platform::plist;

plist::Dictionary remote(const std::string& url) {
  return {{"name", "Saver"}, {"type", "url"}, {"url", url}};
}

// Serves `count` bytes of a fixed pattern, or drops the connection halfway.
void servePattern(httplib::Server& server, const std::string& path, size_t count, bool dropHalfway) {
  server.Get(path, [count, dropHalfway](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Disposition", "attachment");
    res.set_content_provider(count, "application/octet-stream",
                             [count, dropHalfway](size_t offset, size_t length, httplib::DataSink& sink) {
                               if (dropHalfway && offset >= count / 2) return false;
                               std::string chunk(std::min<size_t>(length, 65536), '\0');
                               for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>((offset + i) * 7 % 251);
                               sink.write(chunk.data(), chunk.size());
                               return true;
                             });
  });
}

// Answers one request with the start of a long body, then resets the
// connection: the engine reports the transfer as failed.
class ResettingServer {
 public:
  ResettingServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 4);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      int client = ::accept(fd_, nullptr, nullptr);
      if (client < 0) return;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::read(client, buffer, sizeof buffer);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
      }
      std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                          "Content-Disposition: attachment; filename=reset.bin\r\nContent-Length: 1048576\r\n\r\n" +
                          std::string(65536, 'r');
      (void)!::write(client, reply.data(), reply.size());
      ::usleep(200 * 1000);
      linger reset{1, 0};
      ::setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      ::close(client);
    });
  }
  ~ResettingServer() {
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    thread_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/reset.bin"; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

bool hasPattern(const std::string& bytes, size_t count) {
  if (bytes.size() != count) return false;
  for (size_t i = 0; i < count; ++i) {
    if (bytes[i] != static_cast<char>(i * 7 % 251)) return false;
  }
  return true;
}

class Downloads : public RunletWindowTest {
 protected:
  void SetUp() override {
    RunletWindowTest::SetUp();
    server_.page("/", "<p>downloads</p>");
    server_.routes().Get("/data.csv", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("a,b\n1,2\n", "text/csv");
    });
    servePattern(server_.routes(), "/broken.bin", 1 << 20, true);
  }
  void click(const std::string& href, const std::string& download) {
    evaluate("const a = document.createElement('a'); a.href = '" + href + "'; a.setAttribute('download', '" +
             download + "'); document.body.append(a); a.click(); a.remove(); return 0");
  }
};

TEST_F(Downloads, DownloadAttributeLinksNeverOverwriteAndAreRevealed) {
  testing_support::writeFile(downloadsPath_ / "data.csv", "old");
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  click("/data.csv", "data.csv");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 1; }));
  click("/data.csv", "data.csv");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 2; }));
  EXPECT_EQ(workspace_.revealed, (std::vector<fs::path>{downloadsPath_ / "data (1).csv", downloadsPath_ / "data (2).csv"}));
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "data.csv"), "old");
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "data (2).csv"), "a,b\n1,2\n");
  EXPECT_EQ(delegate_->pendingDownloads(), 0u);
  EXPECT_EQ(evaluate("return location.href"), "\"" + server_.url("/") + "\"");
}

TEST_F(Downloads, FailedDownloadsAreForgottenAndRingOnceEach) {
  ResettingServer resetting;
  int engineFailures = 0;
  g_type_class_unref(g_type_class_ref(WEBKIT_TYPE_DOWNLOAD));
  guint signal = g_signal_lookup("failed", WEBKIT_TYPE_DOWNLOAD);
  gulong hook = g_signal_add_emission_hook(signal, 0, [](GSignalInvocationHint*, guint, const GValue*, gpointer count) {
    ++*static_cast<int*>(count);
    return gboolean(TRUE);
  }, &engineFailures, nullptr);
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  // Cut short (reported as finished) and reset (reported as failed).
  click("/broken.bin", "broken.bin");
  ASSERT_TRUE(waitUntil([&] { return workspace_.alerts == 1; }));
  click(resetting.url(), "reset.bin");
  ASSERT_TRUE(waitUntil([&] { return workspace_.alerts == 2; }));
  g_signal_remove_emission_hook(signal, hook);
  EXPECT_EQ(engineFailures, 1);
  EXPECT_EQ(delegate_->pendingDownloads(), 0u);
  EXPECT_TRUE(workspace_.revealed.empty());
  EXPECT_FALSE(fs::exists(downloadsPath_ / "broken.bin"));
  // The next download of that name starts from the plain name again.
  servePattern(server_.routes(), "/whole.bin", 1000, false);
  click("/whole.bin", "broken.bin");
  ASSERT_TRUE(waitUntil([&] { return !workspace_.revealed.empty(); }));
  EXPECT_EQ(workspace_.alerts, 2);
  EXPECT_EQ(workspace_.revealed, std::vector<fs::path>{downloadsPath_ / "broken.bin"});
  EXPECT_TRUE(hasPattern(testing_support::readFile(downloadsPath_ / "broken.bin"), 1000));
}

TEST_F(Downloads, NamesTooLongForTheDiskAreShortenedKeepingTheirExtension) {
  // 300 characters, a third of them two bytes long.
  std::string longName;
  for (int i = 0; i < 100; ++i) longName += "ab\u00e9";
  platform::GCharPtr encoded(g_uri_escape_string(longName.c_str(), nullptr, FALSE));
  std::string disposition = "attachment; filename*=UTF-8''" + std::string(encoded.get()) + ".csv";
  server_.routes().Get("/sent-as", [disposition](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Disposition", disposition);
    res.set_content("sent", "application/octet-stream");
  });
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  evaluate("location.href = '/sent-as'; return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 1; }));
  click("/data.csv", longName + ".txt");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 2; }));
  evaluate("const a = document.createElement('a'); a.href = URL.createObjectURL(new Blob(['built']));"
           "a.download = '" + longName + ".pdf'; a.click(); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 3; }));
  std::vector<std::string> extensions;
  for (const auto& path : workspace_.revealed) {
    std::string name = path.filename();
    EXPECT_LE(name.size(), 255u - std::string(".wkdownload").size());
    EXPECT_TRUE(g_utf8_validate(name.c_str(), -1, nullptr)) << name;
    EXPECT_EQ(name.substr(0, 5), "ab\u00e9a") << name;
    extensions.push_back(path.extension());
  }
  EXPECT_EQ(extensions, (std::vector<std::string>{".csv", ".txt", ".pdf"}));
  EXPECT_EQ(workspace_.alerts, 0);
}

// Files built in the page, counted by the messages the bridge posts.
class Exports : public RunletWindowTest {
 protected:
  void SetUp() override {
    RunletWindowTest::SetUp();
    server_.page("/", "<a id=link download='report.csv'><img id=icon alt=icon>save</a>");
  }
  void launchAndCount() {
    launch(remote(server_.url("/")));
    ASSERT_TRUE(waitForPage(server_.url("/")));
    std::string signal = "script-message-with-reply-received::" + delegate_->exportMessageName();
    g_signal_connect(webkit_web_view_get_user_content_manager(delegate_->webView()), signal.c_str(),
                     G_CALLBACK(+[](WebKitUserContentManager*, JSCValue*, WebKitScriptMessageReply*, gpointer count) {
                       ++*static_cast<int*>(count);
                       return gboolean(FALSE);
                     }),
                     &messages_);
  }
  // Waits for the file a marker export writes; earlier messages have been handled by then.
  void settle() {
    evaluate("window.webkit.messageHandlers.nblExport.postMessage({name: 'marker', data: 'data:,'}); return 0");
    ASSERT_TRUE(waitUntil([&] { return fs::exists(downloadsPath_ / "marker"); }));
    fs::remove(downloadsPath_ / "marker");
    std::erase(workspace_.revealed, downloadsPath_ / "marker");
    --messages_;
  }
  int messages_ = 0;
};

TEST_F(Exports, ScriptClickedAnchorOutsideTheDocumentSavesOnceWithoutNavigating) {
  launchAndCount();
  evaluate("const a = document.createElement('a');"
           "a.href = URL.createObjectURL(new Blob(['x,y\\n'], {type: 'text/csv'}));"
           "a.download = 'report.csv'; a.click(); URL.revokeObjectURL(a.href); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 1; }));
  settle();
  EXPECT_EQ(workspace_.revealed, std::vector<fs::path>{downloadsPath_ / "report.csv"}) << "revoked after the click";
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "report.csv"), "x,y\n");
  EXPECT_EQ(downloads(), std::vector<fs::path>{"report.csv"});
  EXPECT_EQ(messages_, 1);
  EXPECT_EQ(evaluate("return location.href"), "\"" + server_.url("/") + "\"");
}

TEST_F(Exports, ClicksInTheDocumentIncludingOnAnIconInsideTheLinkSaveOneFileEach) {
  launchAndCount();
  evaluate("document.getElementById('link').href = URL.createObjectURL(new Blob(['1']));"
           "document.getElementById('link').dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true}));"
           "return 0");
  ASSERT_TRUE(waitUntil([&] { return downloads().size() == 1; }));
  evaluate("document.getElementById('icon').dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true}));"
           "return 0");
  ASSERT_TRUE(waitUntil([&] { return downloads().size() == 2; }));
  settle();
  EXPECT_EQ(downloads(), (std::vector<fs::path>{"report (1).csv", "report.csv"}));
  EXPECT_EQ(messages_, 2);
  EXPECT_EQ(workspace_.revealed.size(), 2u);
}

TEST_F(Exports, NamesAreConfinedToTheDownloadsFolder) {
  launchAndCount();
  for (const char* name : {"../../secret.txt", "..", ""}) {
    evaluate(std::string("const a = document.createElement('a'); a.href = 'data:text/plain;base64,c2VjcmV0';"
                         "a.setAttribute('download', '") + name + "'); a.click(); return 0");
  }
  ASSERT_TRUE(waitUntil([&] { return downloads().size() == 3; }));
  EXPECT_EQ(downloads(), (std::vector<fs::path>{"download", "download (1)", "secret.txt"}));
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "secret.txt"), "secret");
  EXPECT_FALSE(fs::exists(temp_ / "secret.txt"));
}

TEST_F(Exports, CapitalisedDataLinksAreLeftToTheNavigationPolicy) {
  launchAndCount();
  evaluate("const a = document.createElement('a'); a.href = 'DATA:text/plain,upper';"
           "a.setAttribute('download', 'upper.txt'); document.body.append(a); a.click(); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 1; }));
  settle();
  EXPECT_EQ(messages_, 0) << "the page script leaves it alone";
  EXPECT_EQ(testing_support::readFile(workspace_.revealed[0]), "upper");
}

TEST_F(Exports, MalformedMessagesSaveNothingAndStaySilent) {
  launchAndCount();
  evaluate("const h = window.webkit.messageHandlers;"
           "h.nblExport.postMessage({name: 'a.txt', data: 'no comma here'});"
           "h.nblExport.postMessage({name: 'b.txt', data: 42});"
           "h.nblExport.postMessage({name: 'c.txt', data: 'data:text/plain;base64,Y'});"
           "h.nblExport.postMessage(['data:,x']);"
           "h.nblExport.postMessage('data:,x');"
           "h.nblFileInput.postMessage({name: 'd.txt', data: 'data:,x'});"
           "return 0");
  settle();
  EXPECT_TRUE(downloads().empty());
  EXPECT_EQ(workspace_.alerts, 0);
  EXPECT_TRUE(workspace_.revealed.empty());
}

TEST_F(Exports, TwentyMebibytesArriveIntact) {
  launchAndCount();
  constexpr size_t kSize = 20 * 1024 * 1024;
  evaluate("const bytes = new Uint8Array(" + std::to_string(kSize) + ");"
           "for (let i = 0; i < bytes.length; i++) bytes[i] = (i * 7) % 251;"
           "const a = document.createElement('a'); a.href = URL.createObjectURL(new Blob([bytes]));"
           "a.download = 'big.bin'; a.click(); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 1; }, std::chrono::seconds(120)));
  EXPECT_TRUE(hasPattern(testing_support::readFile(downloadsPath_ / "big.bin"), kSize));
}

}  // namespace
}  // namespace runlet_test

namespace runlet_test {
namespace {

// Pages that save their files the way web apps do, through the libraries they use.
class RealExporters : public RunletWindowTest {
 protected:
  void SetUp() override {
    RunletWindowTest::SetUp();
    for (const char* script : {"file-saver/dist/FileSaver.min.js", "jspdf/dist/jspdf.umd.min.js"}) {
      fs::path file = fs::path(RUNLET_EXPORTERS_DIR) / script;
      if (!fs::exists(file)) GTEST_SKIP() << "not installed from npm: " << file;
      server_.routes().Get("/" + file.filename().string(), [file](const httplib::Request&, httplib::Response& res) {
        res.set_content(testing_support::readFile(file), "text/javascript");
      });
    }
    server_.page("/", "<script src=/FileSaver.min.js></script><script src=/jspdf.umd.min.js></script>"
                      "<canvas id=c width=64 height=32></canvas>");
    launch({{{"name", "Exporters"}, {"url", server_.url("/")}}});
    ASSERT_TRUE(waitForPage(server_.url("/")));
  }
};

TEST_F(RealExporters, FileSaverSavesTextAndCanvasImages) {
  evaluate("saveAs(new Blob(['id,name\\n1,Ada\\n'], {type: 'text/csv;charset=utf-8'}), 'people.csv'); return 0");
  // The name is reserved (empty) before the content is renamed over it.
  ASSERT_TRUE(waitUntil([&] { return fs::exists(downloadsPath_ / "people.csv") && fs::file_size(downloadsPath_ / "people.csv") > 0; }));
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "people.csv"), "id,name\n1,Ada\n");

  evaluate("const c = document.getElementById('c'); const g = c.getContext('2d');"
           "g.fillStyle = '#ff0000'; g.fillRect(0, 0, 64, 32);"
           "await new Promise(r => c.toBlob(b => { saveAs(b, 'red.png'); r(); }, 'image/png')); return 0");
  ASSERT_TRUE(waitUntil([&] { return fs::exists(downloadsPath_ / "red.png") && fs::file_size(downloadsPath_ / "red.png") > 0; }));
  std::string png = testing_support::readFile(downloadsPath_ / "red.png");
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(downloads().size(), 2u) << "each export saved once";
}

TEST_F(RealExporters, JsPDFSavesAGeneratedDocument) {
  evaluate("const doc = new jspdf.jsPDF(); doc.text('Quarterly report', 10, 10); doc.save('report.pdf'); return 0");
  ASSERT_TRUE(waitUntil([&] { return fs::exists(downloadsPath_ / "report.pdf") && !workspace_.revealed.empty(); }));
  std::string pdf = testing_support::readFile(downloadsPath_ / "report.pdf");
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
  EXPECT_EQ(downloads().size(), 1u);
}

}  // namespace
}  // namespace runlet_test
