#include <gtest/gtest.h>

#include <thread>

#include "core/list_schemas.h"
#include "integration/search/search_harness.h"
#include "net/status_text.h"
#include "net/url.h"
#include "search/search_options.h"
#include "standin/fault_server.h"
#include "text/strings.h"

using namespace vexon;
using namespace std::chrono_literals;
using vexon::testing::SearchHarness;

namespace {

// The live links of a search that the default type filter keeps, as listed: lower
// case, with blanks where the pages wrote %20.
std::set<std::string> ExpectedUrls(const standin::StandinServer& server, const std::string& words,
                                   const search::SearchOptions& options) {
  std::set<std::string> urls;
  const standin::Catalog catalog = server.CurrentCatalog();
  for (const auto& entry : catalog.AllEntries(words)) {
    const std::string url = net::ShownUrl(text::AsciiLower(server.Url(entry.Path())));
    if (entry.Live() && search::TypeFilterPasses(options, url)) urls.insert(url);
  }
  return urls;
}

}  // namespace

TEST(SearchController, ListsExactlyTheLiveFilteredLinksOfEveryPage) {
  standin::StandinOptions opts;
  opts.catalog.linksPerPage = 12;
  opts.catalog.pagesPerService = 3;
  SearchHarness h(opts);
  ASSERT_TRUE(h.Start());
  h.Search("  月亮 代表 ");
  ASSERT_TRUE(h.WaitFinished());
  const std::set<std::string> expected = ExpectedUrls(h.server, "月亮 代表", h.options);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(h.ListedUrls(), expected);
  EXPECT_EQ(h.RowCount(), expected.size());  // no duplicate rows
  h.loop.Invoke([&] {
    EXPECT_EQ(h.controller->currentKeyword(), "月亮 代表");
    EXPECT_EQ(h.controller->checkCount(), 0);
    EXPECT_FALSE(h.controller->HasRunningTasks());
    // Rows are numbered in the order they were added.
    for (size_t i = 0; i < h.results.rowCount(); ++i) {
      EXPECT_EQ(h.results.Cell(i, core::kResultIndex), std::to_string(i));
      const std::string& url = h.results.Cell(i, core::kResultUrl);
      EXPECT_EQ(h.results.Cell(i, core::kResultName), url.substr(url.rfind('/') + 1));
      EXPECT_EQ(h.results.Cell(i, core::kResultType), url.substr(url.rfind('.') + 1));
      EXPECT_EQ(h.results.Cell(i, core::kResultDate).size(), 10u);
    }
  });
  ASSERT_GE(h.checkingTexts.size(), 2u);
  EXPECT_EQ(h.checkingTexts[0], "正在检测数:1");
  EXPECT_EQ(h.checkingTexts[1], "正在检测数:2");
  EXPECT_EQ(h.checkingTexts.back(), "Finished!");
}

TEST(SearchController, NeverMoreThan64ChecksAtOnce) {
  standin::StandinOptions opts;
  opts.catalog.linksPerPage = 150;
  opts.catalog.pagesPerService = 1;
  opts.catalog.includeDeadLinks = false;
  opts.checkDelay = 500ms;  // long enough that a loaded machine still overlaps them
  SearchHarness h(opts);
  ASSERT_TRUE(h.Start());
  h.Search("many links");
  ASSERT_TRUE(h.WaitFinished());
  const auto counters = h.server.Counters();
  EXPECT_LE(counters.peakInFlight, 64);
  EXPECT_GE(counters.peakFilesInFlight, 32);  // the pool really runs checks side by side
  EXPECT_LE(h.controller->pool().threadCount(), 64u);
  // A link both services list is found again while its first check is under way.
  EXPECT_EQ(h.RowCount(), h.ListedUrls().size());
}

TEST(SearchController, StopWithHundredsQueuedEndsAndTheCountReturnsToZero) {
  standin::StandinOptions opts;
  opts.catalog.linksPerPage = 300;
  opts.catalog.pagesPerService = 2;
  // Longer than filling the pool takes on a loaded machine: the stop cuts them all.
  opts.checkDelay = 8000ms;
  SearchHarness h(opts);
  ASSERT_TRUE(h.Start());
  h.Search("stop me");
  // Wait until the checks have filled the pool and more wait behind them.
  for (int i = 0; i < 2000 && h.controller->pool().queuedCount() < 100; ++i) {
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_GE(h.controller->pool().queuedCount(), 100u);
  h.loop.Invoke([&] { h.controller->OnStopSearch(); });
  ASSERT_TRUE(h.WaitFinished(10s));
  h.loop.Invoke([&] {
    EXPECT_EQ(h.controller->checkCount(), 0);
    EXPECT_FALSE(h.controller->HasRunningTasks());
    EXPECT_EQ(h.results.rowCount(), 0u);  // every check was cut before its answer
  });
  EXPECT_EQ(h.checkingTexts.back(), "Finished!");
}

TEST(SearchController, ASecondSearchDropsTheFirstOnesLateLinks) {
  standin::StandinOptions opts;
  opts.checkDelay = 300ms;
  SearchHarness h(opts);
  ASSERT_TRUE(h.Start());
  h.Search("first words");
  std::this_thread::sleep_for(150ms);
  h.Search("second words");
  ASSERT_TRUE(h.WaitFinished());
  // Finishing may have been seen for the first search; wait for the second too.
  for (int i = 0; i < 500; ++i) {
    bool done = false;
    h.loop.Invoke([&] { done = h.controller->checkCount() == 0; });
    if (done) break;
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(h.ListedUrls(), ExpectedUrls(h.server, "second words", h.options));
}

TEST(SearchController, ResultLimitStopsTheWholeSearch) {
  standin::StandinOptions opts;
  opts.catalog.linksPerPage = 20;
  opts.catalog.pagesPerService = 5;
  SearchHarness h(opts);
  h.options.maxResults = 5;
  ASSERT_TRUE(h.Start());
  h.Search("limited");
  ASSERT_TRUE(h.WaitFinished());
  EXPECT_EQ(h.RowCount(), 5u);
  h.loop.Invoke([&] { EXPECT_TRUE(h.controller->stopSearch()); });
  // Not every page was fetched: the limit stopped the chain.
  int pages = 0;
  for (const auto& r : h.server.Requests()) pages += (r.path == "/m" || r.path == "/search.html");
  EXPECT_LT(pages, 10);
}

TEST(SearchController, ServersThatNeverFinishAnsweringStillLetTheSearchEnd) {
  SearchHarness h;
  ASSERT_TRUE(h.Start());
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript("/trickle.mp3", standin::TrickledHead(200ms));
  faults.SetScript("/silent.mp3", standin::Silence());
  faults.SetScript("/endless.mp3", standin::EndlessBody("audio/mpeg"));
  standin::FileScript live;
  h.server.SetFile("/live.mp3", live);
  standin::RawPage page;
  for (const std::string& url :
       {faults.Url("/trickle.mp3"), faults.Url("/silent.mp3"), faults.Url("/endless.mp3"), h.server.Url("/live.mp3")}) {
    page.body += "<a title=\"t\" href=" + url + " target=_blank>t</a>\r\n";
  }
  h.server.SetPage("/search.html", page);
  h.server.SetPage("/m", standin::RawPage{});
  net::TaskDeadlines deadlines;
  // The checks are what never end; the pages get time enough for a loaded machine.
  deadlines.linkCheck = 1500ms;
  deadlines.pageRead = 20s;
  h.loop.Invoke([&] { h.controller->SetTaskDeadlines(deadlines); });
  h.Search("never ending");
  ASSERT_TRUE(h.WaitFinished(std::chrono::seconds(20)));
  EXPECT_EQ(h.ListedUrls(), std::set<std::string>{h.server.Url("/live.mp3")});
  h.loop.Invoke([&] { EXPECT_EQ(h.controller->checkCount(), 0); });
  EXPECT_EQ(h.checkingTexts.back(), "Finished!");
}

// An archive nobody answers for: the others' rows stand and the failure is told.
// (The archive's own rows are checked through vexon-cli search.)
TEST(SearchController, AnArchiveThatCannotBeReachedEndsItsPartQuietly) {
  standin::StandinOptions opts;
  opts.catalog.linksPerPage = 6;
  opts.catalog.pagesPerService = 2;
  SearchHarness broken(opts);
  ASSERT_TRUE(broken.Start("http://127.0.0.1:1/"));
  broken.Search("夜来香");
  ASSERT_TRUE(broken.WaitFinished());
  EXPECT_EQ(broken.ListedUrls(), ExpectedUrls(broken.server, "夜来香", broken.options));
  std::string failures;
  broken.loop.Invoke([&] { failures = broken.controller->FailureText(); });
  EXPECT_EQ(failures, "互联网档案馆搜索失败: " + net::StatusText(net::Code(net::NetError::kCannotConnect)));
}
