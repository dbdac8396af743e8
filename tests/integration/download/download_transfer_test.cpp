#include <gtest/gtest.h>

#include <string>

#include "core/list_schemas.h"
#include "download/final_file.h"
#include "integration/download/download_harness.h"

using namespace vexon;
using namespace vexon::download;
using download::testing::DownloadHarness;
using download::testing::PatternBytes;
using storage::testing::ReadBytes;
using storage::testing::WriteBytes;

TEST(DownloadTransfer, CompletionRenamesRemovesRowAndRecordAndLogsTheSizeText) {
  DownloadHarness h;
  const std::string fast = PatternBytes(40000, 1);
  const std::string slow = PatternBytes(60000, 2);
  const size_t b = h.AddFile("b.mp3", slow, 0.8);
  const size_t a = h.AddFile("a.mp3", fast);
  h.Start({b, a});
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 1; }));
  h.Run([&] {
    EXPECT_EQ(h.logged[0], std::make_pair(h.music + "a.mp3", std::to_string(fast.size())));
    ASSERT_EQ(h.downloads.rowCount(), 1u);
    EXPECT_EQ(h.Cell("b.mp3", core::kDownloadIndex), "0");  // the numbers close up
    EXPECT_EQ(h.Record("a.mp3"), "<none>");
    EXPECT_NE(h.Record("b.mp3"), "<none>");
    EXPECT_FALSE(h.results.Mark(a, 0));
  });
  EXPECT_EQ(ReadBytes(h.music + "a.mp3"), fast);
  EXPECT_FALSE(FileExists(h.music + "a.mp3.grb"));
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 2 && h.AllEnded(); }));
  EXPECT_EQ(ReadBytes(h.music + "b.mp3"), slow);
  EXPECT_EQ(h.slots.inUse(), 0u);
}

TEST(DownloadTransfer, ANotFoundAnswerTurnsTheRowStoppedAndFreesTheSlot) {
  DownloadHarness h(1);
  standin::FileScript missing;
  missing.status = 404;
  h.Start({h.AddFile("gone.mp3", "", 0, missing)});
  ASSERT_TRUE(h.WaitUntil([&] { return h.AllEnded(); }));
  h.Run([&] {
    EXPECT_EQ(h.Cell("gone.mp3", core::kDownloadId) + h.Cell("gone.mp3", core::kDownloadSpeed) + h.Cell("gone.mp3", core::kDownloadTimeLeft) +
                  h.Cell("gone.mp3", core::kDownloadState),
              "-0-停止下载");
    EXPECT_EQ(h.downloads.Image(0), kStoppedImage);
    EXPECT_NE(h.Record("gone.mp3"), "<none>");
    EXPECT_EQ(h.failures, (decltype(h.failures){{h.music + "gone.mp3", "不能收到服务器的有效HTTP响应, 响应码:404"}}));
  });
  EXPECT_EQ(h.slots.inUse(), 0u);
  const std::string body = PatternBytes(5000, 3);
  h.Start({h.AddFile("next.mp3", body)});  // the pool of one is free again
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 1; }));
  EXPECT_EQ(ReadBytes(h.music + "next.mp3"), body);
}

TEST(DownloadTransfer, AStoppedTransferResumesWithARangeToTheSameBytes) {
  DownloadHarness h;
  const std::string body = PatternBytes(200000, 4);
  const std::string partial = h.music + "r.mp3.grb";
  h.Start({h.AddFile("r.mp3", body, 2.0)});
  ASSERT_TRUE(h.WaitUntil([&] { return FileSizeOrZero(partial) >= 40000; }));
  std::string firstId;
  h.Run([&] {
    firstId = h.Cell("r.mp3", core::kDownloadId);
    h.controller->OnStopDownload({0});
  });
  ASSERT_TRUE(h.WaitUntil([&] { return h.AllEnded(); }));
  const uint64_t kept = FileSizeOrZero(partial);
  ASSERT_GT(kept, 0u);
  ASSERT_LT(kept, body.size());
  EXPECT_EQ(h.slots.inUse(), 0u);
  h.Run([&] {
    h.controller->OnResumeDownload({0});
    EXPECT_NE(h.Cell("r.mp3", core::kDownloadId), firstId);
  });
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 1; }));
  EXPECT_EQ(ReadBytes(h.music + "r.mp3"), body);
  const auto requests = h.server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].range, "");
  EXPECT_EQ(requests[1].range, "bytes=" + std::to_string(kept) + "-");
}

TEST(DownloadTransfer, AHeadlessAddResumesFromAnExistingPartialFile) {
  DownloadHarness h;
  const std::string body = PatternBytes(90000, 5);
  h.AddFile("cli.mp3", body);
  WriteBytes(h.music + "cli.mp3.grb", body.substr(0, 30000));
  h.Run([&] { EXPECT_TRUE(h.controller->AddDownload(h.server.Url("/files/cli.mp3"), h.music + "cli.mp3", "90000")); });
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 1; }));
  EXPECT_EQ(h.logged[0].second, "90000");
  EXPECT_EQ(ReadBytes(h.music + "cli.mp3"), body);
  EXPECT_EQ(h.server.Requests().at(0).range, "bytes=30000-");
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
  // Both wait for the only slot while their partial files change under them.
  WriteBytes(h.music + "cut.mp3.grb", cut.substr(0, 10000));
  std::filesystem::remove(h.music + "gone.mp3.grb");
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 3 && h.AllEnded(); }));
  EXPECT_EQ(ReadBytes(h.music + "cut.mp3"), cut);
  EXPECT_EQ(ReadBytes(h.music + "gone.mp3"), gone);
  for (const auto& request : h.server.Requests()) {
    if (request.path == "/files/cut.mp3") {
      EXPECT_EQ(request.range, "bytes=10000-");
    } else if (request.path == "/files/gone.mp3") {
      EXPECT_EQ(request.range, "");
    }
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
    const size_t row = h.results.AppendRow({"", "b.mp3", "mp3", "80000", "", "夜曲 [高音质]", url});
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
