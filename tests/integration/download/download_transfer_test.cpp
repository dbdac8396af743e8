#include <gtest/gtest.h>

#include <string>

#include "core/list_schemas.h"
#include "download/final_file.h"
#include "integration/download/download_harness.h"

using namespace vexon;
using namespace vexon::download;
using download::testing::DownloadHarness;
using vexon::testing::PatternBytes;
using vexon::testing::ReadBytes;
using vexon::testing::WriteBytes;

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
