// Saving what sites offer: downloads through the engine and files built in
// the page through the export bridge, in a real window.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/runtime/runlet_harness.hpp"

namespace runlet_test {
namespace {

// `count` bytes of a fixed pattern, or only the first 64 KiB of them.
void servePattern(httplib::Server& server, const std::string& path, size_t count, bool cutShort) {
  server.Get(path, [count, cutShort](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Disposition", "attachment");
    res.set_content_provider(count, "application/octet-stream",
                             [count, cutShort](size_t offset, size_t length, httplib::DataSink& sink) {
                               if (cutShort && offset >= 65536) return false;
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
      char request[4096];
      (void)!::read(client, request, sizeof request);
      std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                          "Content-Disposition: attachment\r\nContent-Length: 1048576\r\n\r\n" + std::string(65536, 'r');
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
  int fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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
    server_.page("/", "<a id=link download='report.csv'><img id=icon alt=icon>save</a>");
    server_.routes().Get("/data.csv", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("a,b\n1,2\n", "text/csv");
    });
  }
};

TEST_F(Downloads, SavedUnderFreeNamesShortEnoughForTheDiskAndRevealed) {
  // 300 characters, a third of them two bytes long.
  std::string longName;
  for (int i = 0; i < 100; ++i) longName += "ab\u00e9";
  platform::GCharPtr encoded(g_uri_escape_string(longName.c_str(), nullptr, FALSE));
  std::string disposition = "attachment; filename*=UTF-8''" + std::string(encoded.get()) + ".csv";
  server_.routes().Get("/sent-as", [disposition](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Disposition", disposition);
    res.set_content("sent", "application/octet-stream");
  });
  testing_support::writeFile(downloadsPath_ / "data.csv", "old");
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  clickLink("'/data.csv'", "data.csv");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 1; }));
  clickLink("'/data.csv'", "data.csv");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 2; }));
  EXPECT_EQ(workspace_.revealed, (std::vector<fs::path>{downloadsPath_ / "data (1).csv", downloadsPath_ / "data (2).csv"}));
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "data.csv"), "old");
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "data (2).csv"), "a,b\n1,2\n");
  EXPECT_EQ(href(), quoted(server_.url("/")));

  // A long name as the server sends it, as a link names it, and as an export.
  evaluate("location.href = '/sent-as'; return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 3; }));
  clickLink("'/data.csv'", (longName + ".txt").c_str());
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 4; }));
  clickLink("URL.createObjectURL(new Blob(['built']))", (longName + ".pdf").c_str());
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 5; }));
  std::vector<std::string> extensions;
  for (size_t i = 2; i < workspace_.revealed.size(); ++i) {
    std::string name = workspace_.revealed[i].filename();
    EXPECT_LE(name.size(), 255u - std::string(".wkdownload").size());
    EXPECT_TRUE(g_utf8_validate(name.c_str(), -1, nullptr)) << name;
    EXPECT_EQ(name.substr(0, 5), "ab\u00e9a") << name;
    extensions.push_back(workspace_.revealed[i].extension());
  }
  EXPECT_EQ(extensions, (std::vector<std::string>{".csv", ".txt", ".pdf"}));
  EXPECT_EQ(workspace_.alerts, 0);
  EXPECT_EQ(delegate_->pendingDownloads(), 0u);
}

TEST_F(Downloads, FailedDownloadsAreForgottenAndRingOnceEach) {
  servePattern(server_.routes(), "/broken.bin", 1 << 20, true);
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
  clickLink("'/broken.bin'", "broken.bin");
  ASSERT_TRUE(waitUntil([&] { return workspace_.alerts == 1; }));
  clickLink("'" + resetting.url() + "'", "reset.bin");
  ASSERT_TRUE(waitUntil([&] { return workspace_.alerts == 2; }));
  g_signal_remove_emission_hook(signal, hook);
  EXPECT_EQ(engineFailures, 1);
  EXPECT_EQ(delegate_->pendingDownloads(), 0u);
  EXPECT_TRUE(workspace_.revealed.empty());
  EXPECT_TRUE(downloads().empty());
  // The next download of that name starts from the plain name again.
  servePattern(server_.routes(), "/whole.bin", 1000, false);
  clickLink("'/whole.bin'", "broken.bin");
  ASSERT_TRUE(waitUntil([&] { return !workspace_.revealed.empty(); }));
  EXPECT_EQ(workspace_.alerts, 2);
  EXPECT_EQ(workspace_.revealed, std::vector<fs::path>{downloadsPath_ / "broken.bin"});
  EXPECT_TRUE(hasPattern(testing_support::readFile(downloadsPath_ / "broken.bin"), 1000));
}

// Files built in the page, counted by the messages the bridge posts.
TEST_F(Downloads, PageBuiltFilesAreExportedOncePerClickConfinedToDownloads) {
  launch(remote(server_.url("/")));
  ASSERT_TRUE(waitForPage(server_.url("/")));
  int messages = 0;
  std::string signal = "script-message-with-reply-received::" + delegate_->exportMessageName();
  g_signal_connect(webkit_web_view_get_user_content_manager(delegate_->webView()), signal.c_str(),
                   G_CALLBACK(+[](WebKitUserContentManager*, JSCValue*, WebKitScriptMessageReply*, gpointer count) {
                     ++*static_cast<int*>(count);
                     return gboolean(FALSE);
                   }),
                   &messages);
  // Waits for the file a marker export writes; earlier messages have been handled by then.
  auto settle = [&] {
    evaluate("window.webkit.messageHandlers.nblExport.postMessage({name: 'marker', data: 'data:,'}); return 0");
    ASSERT_TRUE(waitUntil([&] { return fs::exists(downloadsPath_ / "marker"); }));
    fs::remove(downloadsPath_ / "marker");
    std::erase(workspace_.revealed, downloadsPath_ / "marker");
    --messages;
  };
  evaluate("const a = document.createElement('a');"
           "a.href = URL.createObjectURL(new Blob(['x,y\\n'], {type: 'text/csv'}));"
           "a.download = 'report.csv'; a.click(); URL.revokeObjectURL(a.href); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 1; }));
  settle();
  EXPECT_EQ(workspace_.revealed, std::vector<fs::path>{downloadsPath_ / "report.csv"}) << "revoked after the click";
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "report.csv"), "x,y\n");
  EXPECT_EQ(messages, 1);

  // Clicks in the document, one of them on an icon inside the link.
  for (const char* target : {"link", "icon"}) {
    evaluate(std::string("document.getElementById('link').href = URL.createObjectURL(new Blob(['1']));"
                         "document.getElementById('") + target +
             "').dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true})); return 0");
  }
  for (const char* name : {"../../secret.txt", "..", ""}) clickLink("'data:text/plain;base64,c2VjcmV0'", name);
  ASSERT_TRUE(waitUntil([&] { return downloads().size() == 6; }));
  settle();
  EXPECT_EQ(messages, 6);
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "secret.txt"), "secret");
  // Capitals are left to the navigation policy, which saves them too.
  clickLink("'DATA:text/plain,upper'", "upper.txt");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 7; }));
  settle();
  EXPECT_EQ(messages, 6) << "the page script leaves capitals alone";
  EXPECT_EQ(testing_support::readFile(workspace_.revealed.back()), "upper");

  evaluate("const h = window.webkit.messageHandlers;"
           "h.nblExport.postMessage({name: 'a.txt', data: 'no comma here'});"
           "h.nblExport.postMessage({name: 'b.txt', data: 42});"
           "h.nblExport.postMessage({name: 'c.txt', data: 'data:text/plain;base64,Y'});"
           "h.nblExport.postMessage(['data:,x']);"
           "h.nblExport.postMessage('data:,x');"
           "h.nblFileInput.postMessage({name: 'd.txt', data: 'data:,x'});"
           "return 0");
  settle();
  EXPECT_EQ(downloads(), (std::vector<fs::path>{"download", "download (1)", "report (1).csv", "report (2).csv",
                                                "report.csv", "secret.txt", "upper.txt"}))
      << "malformed messages save nothing";
  EXPECT_EQ(workspace_.alerts, 0);
  EXPECT_EQ(workspace_.revealed.size(), 7u);
  EXPECT_FALSE(fs::exists(temp_ / "secret.txt"));
  EXPECT_EQ(href(), quoted(server_.url("/")));

  constexpr size_t kSize = 20 * 1024 * 1024;
  evaluate("const bytes = new Uint8Array(" + std::to_string(kSize) + ");"
           "for (let i = 0; i < bytes.length; i++) bytes[i] = (i * 7) % 251;"
           "const a = document.createElement('a'); a.href = URL.createObjectURL(new Blob([bytes]));"
           "a.download = 'big.bin'; a.click(); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 8; }, std::chrono::seconds(120)));
  EXPECT_TRUE(hasPattern(testing_support::readFile(downloadsPath_ / "big.bin"), kSize)) << "20 MiB arrive intact";
}

// Pages that save their files the way web apps do, through the libraries they use.
TEST_F(Downloads, RealExportersFileSaverAndJsPDFSaveTheirFiles) {
  for (const char* script : {"file-saver/dist/FileSaver.min.js", "jspdf/dist/jspdf.umd.min.js"}) {
    fs::path file = fs::path(RUNLET_EXPORTERS_DIR) / script;
    if (!fs::exists(file)) GTEST_SKIP() << "not installed from npm: " << file;
    server_.routes().Get("/" + file.filename().string(), [file](const httplib::Request&, httplib::Response& res) {
      res.set_content(testing_support::readFile(file), "text/javascript");
    });
  }
  server_.page("/exporters", "<script src=/FileSaver.min.js></script><script src=/jspdf.umd.min.js></script>"
                             "<canvas id=c width=64 height=32></canvas>");
  launch(remote(server_.url("/exporters")));
  ASSERT_TRUE(waitForPage(server_.url("/exporters")));
  // A name is reserved (empty) before the content is renamed over it.
  auto saved = [&](const char* name) {
    EXPECT_TRUE(waitUntil([&] { return fs::exists(downloadsPath_ / name) && fs::file_size(downloadsPath_ / name) > 0; }))
        << name;
    return fs::exists(downloadsPath_ / name) ? testing_support::readFile(downloadsPath_ / name) : "";
  };
  evaluate("saveAs(new Blob(['id,name\\n1,Ada\\n'], {type: 'text/csv;charset=utf-8'}), 'people.csv'); return 0");
  EXPECT_EQ(saved("people.csv"), "id,name\n1,Ada\n");
  evaluate("const c = document.getElementById('c'); const g = c.getContext('2d');"
           "g.fillStyle = '#ff0000'; g.fillRect(0, 0, 64, 32);"
           "await new Promise(r => c.toBlob(b => { saveAs(b, 'red.png'); r(); }, 'image/png')); return 0");
  EXPECT_EQ(saved("red.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
  evaluate("const doc = new jspdf.jsPDF(); doc.text('Quarterly report', 10, 10); doc.save('report.pdf'); return 0");
  ASSERT_TRUE(waitUntil([&] { return workspace_.revealed.size() == 3; }));
  std::string pdf = saved("report.pdf");
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
  EXPECT_EQ(downloads().size(), 3u) << "each export saved once";
}

}  // namespace
}  // namespace runlet_test
