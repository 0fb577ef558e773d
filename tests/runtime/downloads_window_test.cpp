// Saving what sites offer: downloads through the engine and files built in
// the page through the export bridge, in a real window.
#include <gtest/gtest.h>

#include <set>

#include "tests/runtime/runlet_harness.hpp"

namespace runlet_test {
namespace {

using Downloads = RunletWindowTest;

TEST_F(Downloads, SavedUnderFreeNamesShortEnoughForTheDiskAndFailuresRingOnceLeavingNothing) {
  std::string longName;  // 300 characters, a third of them two bytes long
  for (int i = 0; i < 100; ++i) longName += "ab\u00e9";
  platform::GCharPtr encoded(g_uri_escape_string(longName.c_str(), nullptr, FALSE));
  server_.routes().Get("/sent-as", [name = std::string(encoded.get())](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Disposition", "attachment; filename*=UTF-8''" + name + ".csv");
    res.set_content("sent", "application/octet-stream");
  });
  for (const char* path : {"/short.bin", "/stalled.bin"}) {
    server_.routes().Get(path, [this, stall = path[2] == 't'](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Disposition", "attachment");
      res.set_content_provider(1 << 20, "application/octet-stream", [this, stall](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset > 0 && stall) server_.hang();
        return offset == 0 && sink.write(std::string(65536, 'x').data(), 65536);
      });
    });
  }
  server_.routes().Get("/data.csv", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("a,b\n1,2\n", "text/csv");
  });
  server_.page("/", "");
  ASSERT_TRUE(openPage("/"));
  // Failed: cut short, the engine reports the download finished; stopped on the way, failed: both ring.
  std::vector<WebKitDownload*> started;
  hookSignal(WEBKIT_TYPE_DOWNLOAD, "decide-destination",
             [&](const GValue* values) { started.push_back(WEBKIT_DOWNLOAD(g_value_get_object(&values[0]))); });
  clickLink("'/short.bin'", "broken.bin");
  ASSERT_TRUE(runUntil([&] { return workspace_.alerts == 1; }));
  clickLink("'/stalled.bin'", "broken.bin");
  ASSERT_TRUE(runUntil([&] { return started.size() == 2 && webkit_download_get_received_data_length(started[1]) > 0; }));
  webkit_download_cancel(started[1]);
  ASSERT_TRUE(runUntil([&] { return workspace_.alerts == 2; }));
  EXPECT_EQ(delegate_->pendingDownloads(), 0u);
  // Nothing left behind: the next download of that name gets the plain name.
  clickLink("'/data.csv'", "broken.bin");
  ASSERT_TRUE(runUntil([&] { return !workspace_.revealed.empty(); }));
  EXPECT_EQ(workspace_.alerts, 2);
  EXPECT_EQ(downloads(), std::vector<fs::path>{"broken.bin"});
  EXPECT_EQ(workspace_.revealed, std::vector<fs::path>{downloadsPath_ / "broken.bin"});

  // Saved and revealed, ringing no more: a taken name; a long name as the server sends it, as a link names it,
  // and as an export.
  testing_support::writeFile(downloadsPath_ / "data.csv", "old");
  workspace_.revealed.clear();
  const std::pair<std::string, std::string> links[] = {{"'/data.csv'", "data.csv"}, {"'/sent-as'", ""},
      {"'/data.csv'", longName + ".txt"}, {"URL.createObjectURL(new Blob(['built']))", longName + ".pdf"}};
  for (const auto& [href, name] : links) {
    size_t saved = workspace_.revealed.size() + 1;
    clickLink(href, name.empty() ? nullptr : name.c_str());
    ASSERT_TRUE(runUntil([&] { return workspace_.revealed.size() == saved; })) << href;
  }
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "data.csv"), "old");
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "data (1).csv"), "a,b\n1,2\n");
  std::set<std::string> extensions;
  for (const auto& path : workspace_.revealed) {
    std::string name = path.filename();
    if (name == "data (1).csv") continue;
    EXPECT_LE(name.size(), 255u - std::string(".wkdownload").size());
    EXPECT_TRUE(g_utf8_validate(name.c_str(), -1, nullptr)) << name;
    EXPECT_EQ(name.substr(0, 5), "ab\u00e9a") << name;
    extensions.insert(path.extension());
  }
  EXPECT_EQ(extensions, (std::set<std::string>{".csv", ".pdf", ".txt"}));
  EXPECT_EQ(workspace_.alerts, 2);
  EXPECT_EQ(delegate_->pendingDownloads(), 0u);
}

// Files built in the page: each click saves one file, whichever way it reaches the app.
TEST_F(Downloads, PageBuiltFilesAreExportedOncePerClickConfinedToDownloads) {
  server_.page("/", "<a id=link download='report.csv'><img id=icon alt=icon>save</a>");
  ASSERT_TRUE(openPage("/"));
  // Waits for the file a marker export writes; earlier messages have been handled by then.
  auto settle = [&] {
    evaluate("window.webkit.messageHandlers.nblExport.postMessage({name: 'marker', data: 'data:,'}); return 0");
    ASSERT_TRUE(runUntil([&] { return fs::exists(downloadsPath_ / "marker"); }));
    fs::remove(downloadsPath_ / "marker");
    std::erase(workspace_.revealed, downloadsPath_ / "marker");
  };
  evaluate("const a = document.createElement('a');"
           "a.href = URL.createObjectURL(new Blob(['x,y\\n'], {type: 'text/csv'}));"
           "a.download = 'report.csv'; a.click(); URL.revokeObjectURL(a.href); return 0");
  ASSERT_TRUE(runUntil([&] { return workspace_.revealed.size() == 1; }));
  settle();
  EXPECT_EQ(workspace_.revealed, std::vector<fs::path>{downloadsPath_ / "report.csv"}) << "revoked after the click";
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "report.csv"), "x,y\n");

  // Clicks in the document, one of them on an icon inside the link.
  for (const char* target : {"link", "icon"}) {
    evaluate(std::string("document.getElementById('link').href = URL.createObjectURL(new Blob(['1']));"
                         "document.getElementById('") + target +
             "').dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true})); return 0");
  }
  clickLink("'data:text/plain;base64,c2VjcmV0'", "../../secret.txt");
  ASSERT_TRUE(runUntil([&] { return downloads().size() == 4; }));
  settle();
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "secret.txt"), "secret");
  // Capitals are left to the navigation policy, which saves them too.
  clickLink("'DATA:text/plain,upper'", "upper.txt");
  ASSERT_TRUE(runUntil([&] { return workspace_.revealed.size() == 5; }));
  settle();
  EXPECT_EQ(downloads(), (std::vector<fs::path>{"report (1).csv", "report (2).csv", "report.csv", "secret.txt", "upper.txt"}));
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "upper.txt"), "upper");

  // What a page may post itself: bad messages, bad base64 and transfers missing a part leave nothing behind;
  // parts of two files may interleave, and blanks or missing padding are read past.
  evaluate(R"(const post = m => window.webkit.messageHandlers.nblExport.postMessage(m);
    for (const data of [undefined, 'data:text/plain;base64YSxi', 'data:,QQ==QQ==', 'data:,QQ=', 'data:,QUJDR']) {
      await post({name: 'bad', data});
    }
    await post('data:,eA==');
    await post({name: 'bad', data: 'data:,eA==', transfer: 5, part: 0, last: true});
    await post({name: 'bad', data: 'data:,eA==', transfer: 't', part: -1, last: true});
    await post({name: 'lenient', data: 'data:,SGVs bG8\n'});
    for (const [transfer, part, last, text] of [['a', 0, false, 'YWJj'], ['b', 0, false, 'eHl6'],
        ['a', 1, false, 'ZGVm'], ['a', 2, true, 'Zw=='], ['b', 1, true, 'MQ=='], ['c', 0, false, 'YWJj'],
        ['c', 2, true, 'YWJj'], ['c', 1, true, 'YWJj'], ['e', 0, false, 'YQ=='], ['e', 1, true, 'YQ==']]) {
      await post({name: 'parts.bin', data: 'data:,' + text, transfer, part, last});
    }
    return 0)");
  settle();
  EXPECT_EQ(downloads(), (std::vector<fs::path>{"lenient", "parts (1).bin", "parts.bin", "report (1).csv",
                                                "report (2).csv", "report.csv", "secret.txt", "upper.txt"}));
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "lenient"), "Hello");
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "parts.bin"), "abcdefg");
  EXPECT_EQ(testing_support::readFile(downloadsPath_ / "parts (1).bin"), "xyz1");
  EXPECT_EQ(workspace_.alerts, 0);

  constexpr size_t kSize = 20 * 1024 * 1024;
  evaluate("const bytes = new Uint8Array(" + std::to_string(kSize) + ");"
           "for (let i = 0; i < bytes.length; i++) bytes[i] = (i * 7) % 251;"
           "const a = document.createElement('a'); a.href = URL.createObjectURL(new Blob([bytes]));"
           "a.download = 'big.bin'; a.click(); return 0");
  ASSERT_TRUE(runUntil([&] { return fs::exists(downloadsPath_ / "big.bin"); }, std::chrono::seconds(120)));
  std::string big = testing_support::readFile(downloadsPath_ / "big.bin");
  bool intact = big.size() == kSize;
  for (size_t i = 0; intact && i < kSize; ++i) intact = big[i] == static_cast<char>(i * 7 % 251);
  EXPECT_TRUE(intact) << "20 MiB arrive intact";
  fs::remove_all(downloadsPath_);
  clickLink("URL.createObjectURL(new Blob(['x']))", "lost.txt");
  EXPECT_TRUE(runUntil([&] { return workspace_.alerts == 1; })) << "a file that cannot be written rings";
}

// Pages that save their files the way web apps do, through the libraries they use.
TEST_F(Downloads, RealExportersFileSaverAndJsPDFSaveTheirFiles) {
  for (const char* script : {"file-saver/dist/FileSaver.min.js", "jspdf/dist/jspdf.umd.min.js"}) {
    if (!fs::exists(fs::path(RUNLET_EXPORTERS_DIR) / script)) GTEST_SKIP() << "not installed from npm: " << script;
  }
  server_.routes().set_mount_point("/npm", RUNLET_EXPORTERS_DIR);
  server_.page("/exporters", "<script src=/npm/file-saver/dist/FileSaver.min.js></script>"
                             "<script src=/npm/jspdf/dist/jspdf.umd.min.js></script><canvas id=c width=64 height=32></canvas>");
  ASSERT_TRUE(openPage("/exporters"));
  // A name is reserved (empty) before the content is renamed over it.
  auto saved = [&](const char* name) {
    EXPECT_TRUE(runUntil([&] { return fs::exists(downloadsPath_ / name) && fs::file_size(downloadsPath_ / name) > 0; }))
        << name;
    return fs::exists(downloadsPath_ / name) ? testing_support::readFile(downloadsPath_ / name) : "";
  };
  evaluate("saveAs(new Blob(['id,name\\n1,Ada\\n'], {type: 'text/csv;charset=utf-8'}), 'people.csv'); return 0");
  EXPECT_EQ(saved("people.csv"), "id,name\n1,Ada\n");
  evaluate("const g = c.getContext('2d'); g.fillStyle = '#ff0000'; g.fillRect(0, 0, 64, 32);"
           "await new Promise(r => c.toBlob(b => { saveAs(b, 'red.png'); r(); }, 'image/png')); return 0");
  EXPECT_EQ(saved("red.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
  evaluate("const doc = new jspdf.jsPDF(); doc.text('Quarterly report', 10, 10); doc.save('report.pdf'); return 0");
  ASSERT_TRUE(runUntil([&] { return workspace_.revealed.size() == 3; }));
  EXPECT_EQ(downloads(), (std::vector<fs::path>{"people.csv", "red.png", "report.pdf"})) << "each export saved once";
  std::string pdf = saved("report.pdf");
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
}

}  // namespace
}  // namespace runlet_test
