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
  // The busy download takes the only slot before the other two are queued, so they
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
  EXPECT_EQ(h.slots.inUse(), 1u);
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 1 && h.AllEnded(); }));
  EXPECT_EQ(ReadBytes(h.music + "busy.mp3"), busy);
  EXPECT_EQ(h.RequestsFor("stop.mp3") + h.RequestsFor("delete.mp3"), 0u);
  EXPECT_FALSE(FileExists(h.music + "stop.mp3.grb"));  // never opened
  EXPECT_EQ(h.slots.inUse(), 0u);
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
    most = std::max<size_t>({most, h.Transferring(), h.slots.inUse()});
    return h.logged.size() == 8 && h.AllEnded();
  }));
  EXPECT_EQ(h.server.Counters().peakFilesInFlight, 3);
  EXPECT_LE(most, 3u);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(ReadBytes(h.music + "e" + std::to_string(i) + ".mp3"), PatternBytes(30000 + i * 1000, uint32_t(i + 1)));
  }
}

TEST(DownloadScheduling, LoweringTheLimitWithholdsTheSlotsOfFinishingDownloads) {
  DownloadHarness h(3);
  const std::vector<size_t> running = AddFiles(h, "run", 3, 0.6);
  const std::vector<size_t> late = AddFiles(h, "late", 2, 0.2);
  std::vector<size_t> lateRequests;
  h.Run([&] { h.onLog = [&] { lateRequests.push_back(h.RequestsFor("late0.mp3") + h.RequestsFor("late1.mp3")); }; });
  h.Start(running);
  ASSERT_TRUE(h.WaitUntil([&] { return h.Transferring() == 3; }));
  h.Start(late);
  h.Run([&] { h.controller->ApplyMaxDownloadThreads(1); });
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 5 && h.AllEnded(); }));
  // While two of the three still held slots, no late download could start.
  EXPECT_EQ(lateRequests.at(0), 0u);
  EXPECT_EQ(lateRequests.at(1), 0u);
  EXPECT_EQ(h.slots.inUse(), 0u);
}
