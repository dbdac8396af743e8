#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// Downloaded when there is no local file or one of another size than the site reports.
TEST_F(WordListRefreshTest, TheLocalFileIsReplacedOnlyWhenItsSizeDiffers) {
  const std::string mine(sitePage.size(), 'x');  // same length, other bytes: a download would show
  const std::string old = text::Gb18030FromUtf8("A--旧的\r\nA|||旧词\r\n");
  const struct {
    const char* name;
    std::optional<std::string> local;
    const std::string& after;
    size_t requests;
  } cases[] = {
      {"no local file", std::nullopt, sitePage, 1},  // no header query without a local file
      {"same size", mine, mine, 1},                  // the header query only
      {"other size", old, sitePage, 2},              // header query, then the download
  };
  for (const auto& c : cases) {
    fs::remove(Local());
    if (c.local) WriteBytes(Local(), *c.local);
    server.ResetCounters();
    ASSERT_TRUE(Refresh()) << c.name;
    EXPECT_EQ(ReadBytes(Local()), c.after) << c.name;
    EXPECT_EQ(PageRequests(), c.requests) << c.name;
    EXPECT_FALSE(fs::exists(Temp())) << c.name;
  }
  EXPECT_FALSE(hotwords::ReadWordList(Local())->categories.empty());
}

// A failed, empty, junk, cut, oversized or endless download is no word list.
TEST_F(WordListRefreshTest, AFailedDownloadLeavesTheLocalFileAlone) {
  const std::string old = text::Gb18030FromUtf8("A--旧的\r\nA|||旧词\r\n");
  WriteBytes(Local(), old);
  std::string big = text::Gb18030FromUtf8("A--大\r\nA|||词\r\n");
  big.resize(hotwords::kMaxWordListBytes + 1, '\n');
  for (const auto& [status, body] :
       std::vector<std::pair<int, std::string>>{{404, "A--not found\r\nA|||nothing\r\n"},
                                                {200, ""},
                                                {200, "<html><body>maintenance</body></html>"},
                                                {200, big}}) {
    server.SetPage(kPagePath, Page(status, body));
    EXPECT_FALSE(Refresh()) << body.substr(0, 20);
  }
  server.RemovePage(kPagePath);
  standin::FileScript cut;
  cut.body = sitePage;
  cut.contentType = "text/html";
  cut.cutAfter = 10;
  server.SetFile(kPagePath, cut);
  EXPECT_FALSE(Refresh());
  // A server that never stops sending is cut at the size limit.
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript(kPagePath, standin::EndlessBody("text/plain"));
  EXPECT_FALSE(hotwords::RefreshWordList(reader, faults.Url(kPagePath), dir.path()));
  EXPECT_EQ(ReadBytes(Local()), old);
  EXPECT_FALSE(fs::exists(Temp()));
}
