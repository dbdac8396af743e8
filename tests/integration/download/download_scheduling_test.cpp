#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/list_schemas.h"
#include "download/final_file.h"
#include "integration/download/download_harness.h"

using namespace vexon;
using namespace vexon::download;
using namespace std::chrono_literals;
using core::MessageResult;
using download::testing::DownloadHarness;
using vexon::testing::PatternBytes;
using vexon::testing::ReadBytes;
using vexon::testing::WriteBytes;

namespace {

std::vector<size_t> AddFiles(DownloadHarness& h, const std::string& prefix, size_t count, double seconds) {
  std::vector<size_t> rows;
  for (size_t i = 0; i < count; ++i) {
    const std::string name = prefix + std::to_string(i) + ".mp3";
    rows.push_back(h.AddFile(name, PatternBytes(30000 + i * 1000, static_cast<uint32_t>(i + 1)), seconds));
  }
  return rows;
}

}  // namespace

TEST(DownloadScheduling, StopAndDeleteWhileWaitingEndWithoutASlotOrARequest) {
  DownloadHarness h(1);
  const std::string busy = PatternBytes(60000, 7);
  // The busy download takes the only thread before the other two are queued, so they
  // are sure to be waiting when they are stopped and deleted.
  h.Start({h.AddFile("busy.mp3", busy, 1.0)});
  ASSERT_TRUE(h.WaitUntil([&] { return h.Transferring() == 1; }));
  h.Start({h.AddFile("stop.mp3", "s"), h.AddFile("delete.mp3", "d")});
  h.prompter.answers = {MessageResult::kYes};
  h.Run([&] {
    h.controller->OnStopDownload({h.Row("stop.mp3")});
    EXPECT_EQ(h.Cell("stop.mp3", core::kDownloadState), "停止下载");
    h.controller->OnDeleteDownload({h.Row("delete.mp3")});
    EXPECT_EQ(h.Row("delete.mp3"), core::ListTable::npos);
    EXPECT_EQ(h.Record("delete.mp3"), "<none>");
  });
  ASSERT_TRUE(h.WaitUntil([&] { return h.controller->liveWorkerCount() == 1; }));
  EXPECT_EQ(h.Running(), 1u);
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 1 && h.AllEnded(); }));
  EXPECT_EQ(ReadBytes(h.music + "busy.mp3"), busy);
  EXPECT_EQ(h.RequestsFor("stop.mp3") + h.RequestsFor("delete.mp3"), 0u);
  EXPECT_FALSE(FileExists(h.music + "stop.mp3.grb"));  // never opened
  EXPECT_EQ(h.Running(), 0u);
}

// A deleted transfer's partial file goes when its thread ends, unless a row listed
// meanwhile for the same target owns it by then.
TEST(DownloadScheduling, ADeletedRunningDownloadsPartialFileGoesUnlessANewRowOwnsIt) {
  DownloadHarness h(2);
  const std::string body = PatternBytes(60000, 4);
  h.Start({h.AddFile("again.mp3", body, 1.0), h.AddFile("gone.mp3", body, 1.0)});
  ASSERT_TRUE(h.WaitUntil([&] { return h.Transferring() == 2; }));
  h.prompter.answers = {MessageResult::kYes, MessageResult::kYes};
  h.Run([&] {
    h.controller->OnDeleteDownload({h.Row("again.mp3")});
    h.controller->OnDeleteDownload({h.Row("gone.mp3")});
    EXPECT_TRUE(h.controller->AddDownload(h.server.Url("/files/again.mp3"), h.music + "again.mp3", ""));
  });
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 1 && h.AllEnded(); }));
  EXPECT_EQ(ReadBytes(h.music + "again.mp3"), body);
  EXPECT_FALSE(FileExists(h.music + "gone.mp3.grb"));
  EXPECT_FALSE(FileExists(h.music + "again.mp3.grb"));
}

// A start on more rows than one slice queues them over several turns of the owner
// loop, in list order, and tells the rows left out once at the end; a new search
// meanwhile leaves the new results unmarked.
TEST(DownloadScheduling, AStartOnThousandsOfRowsIsQueuedInSlicesInListOrder) {
  DownloadHarness h(0, true);  // no thread: every task stays queued
  std::vector<size_t> rows;
  h.Run([&] {
    for (size_t i = 0; i < 1200; ++i) {
      rows.push_back(h.results.rowCount());
      h.resultList.Add({"f" + std::to_string(i % 1100) + ".mp3", "mp3", "5", "", "t",
                        "http://127.0.0.1:9/" + std::to_string(i % 1100) + "/f" + std::to_string(i % 1100) + ".mp3"},
                       "");
    }
  });
  size_t queuedAtOnce = 0;
  h.Run([&] {
    h.controller->OnStartDownload(rows);
    queuedAtOnce = h.downloads.rowCount();
  });
  // The limits only tell a hang.
  ASSERT_TRUE(h.WaitUntil([&] { return !h.prompter.shown.empty(); }, std::chrono::minutes(6)));
  EXPECT_LT(queuedAtOnce, 1100u);  // the rest came in later turns
  h.Run([&] {
    ASSERT_EQ(h.downloads.rowCount(), 1100u);
    for (size_t i = 0; i < 1100; i += 137)
      EXPECT_EQ(h.downloads.Cell(i, core::kDownloadFileName), "f" + std::to_string(i) + ".mp3");
    EXPECT_EQ(h.prompter.shown.size(), 1u);
    EXPECT_EQ(h.prompter.shown.back().text, "100 个选中的文件没有加入下载列表: 它们的URL已在列表中, 或文件名已被使用.");
    EXPECT_TRUE(h.results.Mark(rows[1099], 0));
    EXPECT_EQ(h.controller->liveWorkerCount(), 1100u);
  });
  // Results replaced while a start is still being queued are not marked for it.
  h.Run([&] {
    std::vector<size_t> more;
    for (size_t i = 0; i < 1200; ++i) {
      more.push_back(h.results.rowCount());
      h.resultList.Add({"g.mp3", "mp3", "5", "", "t",
                        "http://127.0.0.1:9/g/" + std::to_string(i) + "/g" + std::to_string(i) + ".mp3"},
                       "");
    }
    h.controller->OnStartDownload(more);
    h.resultList.Clear();
    for (size_t i = 0; i < 1200; ++i)
      h.resultList.Add({"n.mp3", "mp3", "5", "", "t", "http://127.0.0.1:9/n" + std::to_string(i)}, "");
  });
  ASSERT_TRUE(h.WaitUntil([&] { return h.downloads.rowCount() == 2300; }, std::chrono::minutes(6)));
  h.Run([&] { EXPECT_FALSE(h.results.Mark(1199, 0)); });
}

TEST(DownloadScheduling, ResumeAllRightAfterAStopWaitsForTheOldWriter) {
  DownloadHarness h;
  const std::string body = PatternBytes(60000, 9);
  h.Start({h.AddFile("keep.mp3", body, 1.0), h.AddFile("again.mp3", body, 1.0)});
  ASSERT_TRUE(h.WaitUntil([&] { return h.Transferring() == 2; }));
  h.Run([&] {
    const std::string running = h.Cell("keep.mp3", core::kDownloadId);
    h.controller->OnStopDownload({h.Row("again.mp3")});
    h.controller->OnResumeAll();  // only the stopped row
    EXPECT_EQ(h.Cell("keep.mp3", core::kDownloadId), running);
    EXPECT_NE(h.Cell("again.mp3", core::kDownloadId), "-");
  });
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 2 && h.AllEnded(); }));
  EXPECT_EQ(ReadBytes(h.music + "keep.mp3"), body);
  EXPECT_EQ(ReadBytes(h.music + "again.mp3"), body);
  EXPECT_EQ(h.RequestsFor("keep.mp3"), 1u);
}

TEST(DownloadScheduling, EightQueuedWithALimitOfThreeNeverTransferMoreThanThree) {
  DownloadHarness h(3);
  h.Start(AddFiles(h, "e", 8, 0.4));
  size_t most = 0;
  ASSERT_TRUE(h.WaitUntil([&] {
    most = std::max<size_t>({most, h.Transferring(), h.Running()});
    return h.logged.size() == 8 && h.AllEnded();
  }));
  EXPECT_EQ(h.server.Counters().peakFilesInFlight, 3);
  EXPECT_LE(most, 3u);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(ReadBytes(h.music + "e" + std::to_string(i) + ".mp3"), PatternBytes(30000 + i * 1000, uint32_t(i + 1)));
  }
}

TEST(DownloadScheduling, LoweringTheLimitLetsRunningDownloadsFinishBeforeLateOnesStart) {
  DownloadHarness h(3);
  // Long enough that all three are sure to overlap on a loaded machine.
  const std::vector<size_t> running = AddFiles(h, "run", 3, 3.0);
  const std::vector<size_t> late = AddFiles(h, "late", 2, 0.2);
  std::vector<size_t> lateRequests;
  h.Run([&] { h.onLog = [&] { lateRequests.push_back(h.RequestsFor("late0.mp3") + h.RequestsFor("late1.mp3")); }; });
  h.Start(running);
  ASSERT_TRUE(h.WaitUntil([&] { return h.Transferring() == 3; }));
  h.Start(late);
  h.Run([&] { h.controller->ApplyMaxDownloadThreads(1); });
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 5 && h.AllEnded(); }));
  // While two of the three still ran, no late download could start.
  EXPECT_EQ(lateRequests.at(0), 0u);
  EXPECT_EQ(lateRequests.at(1), 0u);
  EXPECT_EQ(h.Running(), 0u);
}

TEST(DownloadTransfer, APartialFileCutOrDeletedWhileItsRowWaitsEndsByteIdentical) {
  DownloadHarness h(1);
  h.Start({h.AddFile("busy.mp3", PatternBytes(60000, 6), 0.6)});
  ASSERT_TRUE(h.WaitUntil([&] { return h.Transferring() == 1; }));
  const std::string cut = PatternBytes(50000, 7);
  const std::string gone = PatternBytes(50000, 8);
  h.AddFile("cut.mp3", cut);
  h.AddFile("gone.mp3", gone);
  WriteBytes(h.music + "cut.mp3.grb", cut.substr(0, 30000));
  WriteBytes(h.music + "gone.mp3.grb", gone.substr(0, 30000));
  h.Run([&] {
    EXPECT_TRUE(h.controller->AddDownload(h.server.Url("/files/cut.mp3"), h.music + "cut.mp3", ""));
    EXPECT_TRUE(h.controller->AddDownload(h.server.Url("/files/gone.mp3"), h.music + "gone.mp3", ""));
  });
  // Both wait for the only thread while their partial files change under them.
  WriteBytes(h.music + "cut.mp3.grb", cut.substr(0, 10000));
  std::filesystem::remove(h.music + "gone.mp3.grb");
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 3 && h.AllEnded(); }));
  EXPECT_EQ(ReadBytes(h.music + "cut.mp3"), cut);
  EXPECT_EQ(ReadBytes(h.music + "gone.mp3"), gone);
  // Only the cut file is resumed (the busy one and the deleted one start at 0).
  for (const auto& request : h.server.Requests()) {
    EXPECT_EQ(request.range, request.path == "/files/cut.mp3" ? "bytes=10000-" : "") << request.path;
  }
}

TEST(DownloadTransfer, ALongUrlAndABracketedTitleSurviveARestartOfTheList) {
  DownloadHarness h(1);
  const std::string body = PatternBytes(80000, 9);
  const std::string name = std::string(2000, 'd') + "/b.mp3";
  h.AddFile(name, body, 1.0);
  const std::string url = h.server.Url("/files/" + name);
  const std::string fullName = h.music + "夜曲 [高音质].mp3";
  h.Run([&] {
    h.settings.TitleDown = true;
    const size_t row = h.results.rowCount();
    h.resultList.Add({"b.mp3", "mp3", "80000", "", "夜曲 [高音质]", url}, "");
    h.controller->OnStartDownload({row});
  });
  ASSERT_TRUE(h.WaitUntil([&] { return std::filesystem::exists(fullName + ".grb"); }));
  h.Run([&] { h.controller->OnStopAll(); });
  ASSERT_TRUE(h.WaitUntil([&] { return h.AllEnded(); }));
  EXPECT_TRUE(h.prompter.shown.empty());

  // What a new start of the program lists, and resumes.
  h.Restart();
  h.Run([&] {
    ASSERT_EQ(h.downloads.rowCount(), 1u);
    EXPECT_EQ(h.downloads.Cell(0, core::kDownloadFullName), fullName);
    EXPECT_EQ(h.downloads.Cell(0, core::kDownloadUrl), url);
    h.controller->OnResumeAll();
  });
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 1; }));
  EXPECT_EQ(ReadBytes(fullName), body);
  for (const auto& request : h.server.Requests()) EXPECT_EQ(h.server.Url(request.target), url);
}
