#include <gtest/gtest.h>

#include <map>
#include <set>

#include "integration/cli/cli_runner.h"
#include "net/url.h"
#include "search/archive_answers.h"
#include "search/archive_service.h"
#include "search/search_options.h"
#include "standin/archive_catalog.h"
#include "standin/standin_server.h"
#include "text/encoding.h"
#include "text/strings.h"

using namespace vexon;
using vexon::testing::CliRun;

namespace {

class SearchCommand : public vexon::testing::CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    if (HasFatalFailure()) return;
    standin::StandinOptions options;
    options.catalog.includeDecoys = false;  // keeps the runs short
    server = std::make_unique<standin::StandinServer>(options);
    ASSERT_TRUE(server->Start());
  }

  // The two music services only: the archive has a test of its own below.
  std::vector<std::string> HostArgs() const {
    return {"--baidu-host", server->HostPort(), "--yahoo-host", server->HostPort(), "--sources", "baidu,yahoo"};
  }
  std::string ArchiveBase() const { return "http://" + server->HostPort() + "/"; }

  CliRun Search(std::vector<std::string> extra, const std::string& words) {
    std::vector<std::string> args = {"search"};
    for (auto& a : HostArgs()) args.push_back(a);
    for (auto& a : extra) args.push_back(a);
    args.push_back("--");
    args.push_back(words);
    return Run(args, true);
  }

  std::unique_ptr<standin::StandinServer> server;
};

class ShowCommand : public vexon::testing::CliTest {};

std::vector<std::string> Lines(const std::string& out) {
  std::vector<std::string> lines = text::Split(out, "\n");
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace

TEST_F(SearchCommand, PrintsOneTabSeparatedLinePerListedRowAndSavesThemAsShown) {
  const CliRun run = Search({"--save", (dir_ / "saved.msf").string()}, "tab rows");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::set<std::string> urls;
  const standin::Catalog catalog = server->CurrentCatalog();
  size_t expected = 0;
  search::SearchOptions defaults;
  for (const auto& e : catalog.AllEntries("tab rows")) {
    expected += e.Live() && search::TypeFilterPasses(defaults, server->Url(e.Path()));
  }
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), expected);
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto cells = text::Split(lines[i], "\t");
    ASSERT_EQ(cells.size(), 8u) << lines[i];
    EXPECT_EQ(cells[7], "");  // the music services give no digests
    EXPECT_EQ(cells[0], std::to_string(i));
    urls.insert(cells[6]);
  }
  EXPECT_EQ(urls.size(), lines.size());
  const CliRun shown = Run({"show", (dir_ / "saved.msf").string()});
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(shown.out, run.out);
}

// Each archive track once, as its VBR MP3: the fixed-rate copy, the Ogg and FLAC
// files, the covers, private takes and their samples are not listed. A track in a
// folder is named by its last segment. Size and date are the service's record:
// no file of the archive is asked for. With the service shedding load past two
// requests at once, the same rows are listed.
TEST_F(SearchCommand, AllThreeServicesListTheirLinksOnceEach) {
  std::map<std::string, std::string> expected;  // URL -> name, size, date
  const standin::ArchiveCatalog archive = server->CurrentArchive();
  for (int i = 0; i < archive.Count(); ++i) {
    const standin::ArchiveItem item = archive.Item(i);
    for (const auto& file : item.files) {
      if (file.format == "VBR MP3" && !file.isPrivate) {
        expected[net::ShownUrl(search::ArchiveFileUrl(ArchiveBase(), item.doc.identifier, file.name))] =
            file.name.substr(file.name.rfind('/') + 1) + "\t" + std::to_string(file.size) + "\t" +
            search::ArchiveDate(std::to_string(file.mtime));
      }
    }
  }
  for (const bool shedding : {false, true}) {
    SCOPED_TRACE(shedding ? "shedding" : "answering");
    server->SetShedding(shedding ? 2 : 0, "1");
    server->SetMetadataDelay(std::chrono::milliseconds(shedding ? 30 : 0));
    server->ResetCounters();
    const CliRun run = Search({"--sources", "yahoo,baidu,archive", "--archive-url", ArchiveBase()}, "夜来香");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::set<std::string> archiveRows;
    size_t musicRows = 0;
    for (const std::string& line : Lines(run.out)) {
      const auto cells = text::Split(line, "\t");
      ASSERT_EQ(cells.size(), 8u) << line;
      if (cells[6].find("/download/") == std::string::npos) {
        ++musicRows;
        continue;
      }
      archiveRows.insert(cells[6]);
      EXPECT_FALSE(cells[5].empty()) << line;
      // The name reads as the service wrote it, not as its escaped URL.
      if (expected.count(cells[6]) > 0) {
        EXPECT_EQ(cells[1] + "\t" + cells[3] + "\t" + cells[4], expected[cells[6]]);
      }
    }
    for (const auto& [url, name] : expected) EXPECT_EQ(archiveRows.count(url), 1u) << "not listed: " << url;
    for (const std::string& url : archiveRows) EXPECT_EQ(expected.count(url), 1u) << "listed: " << url;
    EXPECT_GT(musicRows, 0u);
    for (const auto& request : server->Requests()) {
      EXPECT_FALSE(text::StartsWith(request.path, "/download/") || text::StartsWith(request.path, "/datanode/"))
          << request.target;
    }
    const standin::StandinCounters counters = server->Counters();
    EXPECT_LE(counters.peakArchiveInFlight, shedding ? 2 : search::ArchiveService::kItemsAtOnce);
    EXPECT_EQ(counters.shedAnswers > 0, shedding);
  }
}

// The archive's digests travel with its rows, and a list of rows with them fetches
// files that are verified.
TEST_F(SearchCommand, ArchiveRowsCarryTheirDigestIntoVerifiedDownloads) {
  standin::StandinOptions options;
  options.archiveItems = 2;
  options.archiveFilesPerItem = 1;
  options.archiveDigests = true;
  standin::StandinServer archive(options);
  ASSERT_TRUE(archive.Start());
  const CliRun run =
      Run({"search", "--sources", "archive", "--archive-url", "http://" + archive.HostPort() + "/", "--", "x"}, true);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::string list;
  for (const std::string& line : Lines(run.out)) {
    const auto cells = text::Split(line, "\t");
    ASSERT_EQ(cells.size(), 8u) << line;
    ASSERT_EQ(cells[7].size(), 45u) << line;
    EXPECT_EQ(cells[7].rfind("sha1=", 0), 0u) << line;
    list += cells[6] + " " + cells[7] + "\n";
  }
  ASSERT_EQ(Lines(run.out).size(), 2u);
  const CliRun get = Run({"get", "-i", WriteFile("rows.txt", list).string(), "--dir", (dir_ / "got").string()}, true);
  EXPECT_EQ(get.exitCode, 0) << get.err;
}

TEST_F(SearchCommand, HostsComeFromTheSettingsFileWhenNotGiven) {
  WriteFile("vudez.ini", "[System]\r\nBaiduHost=" + server->HostPort() + "\r\nYahooHost=" + server->HostPort() +
                             "\r\nArchiveUrl=" + ArchiveBase() + "\r\nSources=archive\r\n");
  const CliRun run = Run({"search", "stored hosts"}, true);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_FALSE(run.out.empty());
  for (const std::string& line : Lines(run.out)) EXPECT_NE(line.find(ArchiveBase() + "download/"), std::string::npos);
  WriteFile("vudez.ini", "[System]\r\nBaiduHost=bad host/x\r\n");
  const CliRun bad = Run({"search", "stored hosts"}, true);
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("BaiduHost"), std::string::npos);
}

TEST_F(SearchCommand, BadArgumentsExitWithAMessage) {
  const std::vector<std::vector<std::string>> bad = {{"search"},
                                                     {"search", "--types", "mp3,aac", "x"},
                                                     {"search", "--max", "-1", "x"},
                                                     {"search", "--max", "99999999999", "x"},
                                                     {"search", "--baidu-host", "a b", "x"},
                                                     {"search", "--baidu-host", "h:70000", "x"},
                                                     {"search", "--bogus", "1", "x"},
                                                     {"search", "x", "--max"},
                                                     {"frobnicate"}};
  for (const auto& args : bad) {
    const CliRun run = Run(args, true);
    EXPECT_EQ(run.exitCode, 2) << args.back();
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(run.out.empty());
  }
}

// Seven cells and the digest field, empty: a result file keeps no digests.
TEST_F(ShowCommand, PrintsEachRowAsSevenTabSeparatedUtf8Cells) {
  const auto file = WriteFile(
      "月亮.msf",
      vexon::text::Gb18030FromUtf8("1$#!b.mp3$#!mp3$#!2048$#!01/02/2008$#!月亮代表我的心$#!http://h/b.mp3$#!\r\n"
                                   "0$#!a.wma$#!wma$#!1000$#!12/31/2007$#!Moon$#!http://h/a.wma$#!\r\r\n"));
  const CliRun run = Run({"show", file.string()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "0\ta.wma\twma\t1000\t12/31/2007\tMoon\thttp://h/a.wma\t\n"
            "1\tb.mp3\tmp3\t2048\t01/02/2008\t月亮代表我的心\thttp://h/b.mp3\t\n");
}

// A file that cannot be read exits 1 with a message naming it; bad arguments exit 2.
TEST_F(ShowCommand, UnreadableFilesExitOneAndBadArgumentsTwo) {
  const std::string file = WriteFile("a.msf", "").string(), missing = (dir_ / "missing.msf").string();
  for (const auto& [args, code] :
       std::vector<std::pair<std::vector<std::string>, int>>{{{"show", missing}, 1},
                                                             {{"show", dir_.string()}, 1},
                                                             {{"show"}, 2},
                                                             {{"show", file, file}, 2},
                                                             {{"show", "--bogus", file}, 2}}) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.exitCode, code) << args.back();
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_NE(Run({"show", missing}).err.find("missing.msf"), std::string::npos);
  // After "--" a name that starts with "-" is a file.
  WriteFile("-dash.msf", "0$#!\r\n");
  EXPECT_EQ(Run({"show", "-dash.msf"}, true).exitCode, 2);
  const CliRun run = Run({"show", "--", "-dash.msf"}, true);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "0\t\t\t\t\t\t\t\n");
}
