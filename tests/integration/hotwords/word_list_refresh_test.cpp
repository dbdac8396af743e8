#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "hotwords/word_list.h"
#include "hotwords/word_list_refresh.h"
#include "net/page_reader.h"
#include "standin/fault_server.h"
#include "standin/standin_server.h"
#include "support/test_files.h"
#include "text/encoding.h"

using namespace vexon;
namespace fs = std::filesystem;
using vexon::testing::ReadBytes;
using vexon::testing::TempDir;
using vexon::testing::WriteBytes;

namespace {

constexpr const char* kPagePath = "/poplist.htm";

class WordListRefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    // What the stand-in serves at first, fetched past the code under test.
    net::PageReader probe;
    ASSERT_TRUE(probe.ReadUrl(server.Url(kPagePath), sitePage));
    ASSERT_FALSE(sitePage.empty());
    server.ResetCounters();
  }

  bool Refresh() { return hotwords::RefreshWordList(reader, server.Url(kPagePath), dir.path()); }
  fs::path Local() const { return dir / hotwords::kWordListFile; }
  fs::path Temp() const { return dir / hotwords::kWordListTempFile; }
  size_t PageRequests() const {
    size_t n = 0;
    for (const auto& r : server.Requests()) n += r.path == kPagePath ? 1 : 0;
    return n;
  }

  standin::StandinServer server;
  TempDir dir;
  net::PageReader reader;
  std::string sitePage;
};

standin::RawPage Page(int status, std::string body) {
  standin::RawPage page;
  page.status = status;
  page.body = std::move(body);
  return page;
}

}  // namespace

TEST_F(WordListRefreshTest, WithoutALocalFileThePageIsDownloadedAndRenamed) {
  ASSERT_TRUE(Refresh());
  EXPECT_EQ(ReadBytes(Local()), sitePage);
  EXPECT_FALSE(fs::exists(Temp()));
  EXPECT_EQ(PageRequests(), 1u);  // no header query without a local file
  const std::optional<hotwords::WordList> list = hotwords::ReadWordList(Local());
  ASSERT_TRUE(list.has_value());
  EXPECT_FALSE(list->categories.empty());
}

TEST_F(WordListRefreshTest, ALocalFileOfTheReportedSizeIsNotDownloadedAgain) {
  // Same length, other bytes: a download would show.
  const std::string mine(sitePage.size(), 'x');
  WriteBytes(Local(), mine);
  ASSERT_TRUE(Refresh());
  EXPECT_EQ(ReadBytes(Local()), mine);
  EXPECT_EQ(PageRequests(), 1u);  // the header query only
  EXPECT_FALSE(fs::exists(Temp()));
}

TEST_F(WordListRefreshTest, ALocalFileOfAnotherSizeIsReplaced) {
  WriteBytes(Local(), text::Gb18030FromUtf8("A--旧的\r\nA|||旧词\r\n"));
  ASSERT_TRUE(Refresh());
  EXPECT_EQ(ReadBytes(Local()), sitePage);
  EXPECT_EQ(PageRequests(), 2u);  // header query, then the download
  EXPECT_FALSE(fs::exists(Temp()));
}

TEST_F(WordListRefreshTest, AFailedDownloadLeavesTheLocalFileAlone) {
  const std::string old = text::Gb18030FromUtf8("A--旧的\r\nA|||旧词\r\n");
  WriteBytes(Local(), old);
  server.SetPage(kPagePath, Page(404, "A--not found\r\nA|||nothing\r\n"));
  EXPECT_FALSE(Refresh());
  EXPECT_EQ(ReadBytes(Local()), old);
  EXPECT_FALSE(fs::exists(Temp()));
}

TEST_F(WordListRefreshTest, EmptyJunkOrCutDownloadsAreNoWordList) {
  const std::string old = text::Gb18030FromUtf8("A--旧的\r\nA|||旧词\r\n");
  WriteBytes(Local(), old);
  server.SetPage(kPagePath, Page(200, ""));
  EXPECT_FALSE(Refresh());
  server.SetPage(kPagePath, Page(200, "<html><body>maintenance</body></html>"));
  EXPECT_FALSE(Refresh());
  server.RemovePage(kPagePath);
  standin::FileScript cut;
  cut.body = sitePage;
  cut.contentType = "text/html";
  cut.cutAfter = 10;
  server.SetFile(kPagePath, cut);
  EXPECT_FALSE(Refresh());
  EXPECT_EQ(ReadBytes(Local()), old);
  EXPECT_FALSE(fs::exists(Temp()));
}

TEST_F(WordListRefreshTest, AnOversizedOrEndlessDownloadIsNoWordList) {
  std::string big = text::Gb18030FromUtf8("A--大\r\nA|||词\r\n");
  big.resize(hotwords::kMaxWordListBytes + 1, '\n');
  server.SetPage(kPagePath, Page(200, big));
  EXPECT_FALSE(Refresh());
  EXPECT_FALSE(fs::exists(Local()));
  EXPECT_FALSE(fs::exists(Temp()));
  // A server that never stops sending is cut at the same limit.
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript(kPagePath, standin::EndlessBody("text/plain"));
  EXPECT_FALSE(hotwords::RefreshWordList(reader, faults.Url(kPagePath), dir.path()));
  EXPECT_FALSE(fs::exists(Local()));
  EXPECT_FALSE(fs::exists(Temp()));
}
