#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/file_digest.h"
#include "integration/download/download_harness.h"

using namespace vexon;
using download::testing::DownloadHarness;
using vexon::testing::PatternBytes;
using vexon::testing::ReadBytes;

namespace {

std::string Sha1(const std::string& bytes) {
  download::FileDigest digest(download::ExpectedDigest::Kind::kSha1);
  digest.Update(bytes.data(), bytes.size());
  return digest.FinishHex();
}

}  // namespace

// A file that comes with the service's digest is complete only when its bytes hash
// to it. One whose server first sends other bytes fails with the cause in its row's
// note, keeps them, still fails when resumed after a restart of the list (the
// partial file is already whole), and is fetched from 0 at the next start; one
// stopped half-way is hashed from its partial file on and completes.
TEST(VerifiedDownload, OnlyBytesThatHashToTheDigestComplete) {
  DownloadHarness h(2);
  const std::string body = PatternBytes(150000, 3);
  const std::string right = PatternBytes(60000, 4);
  const std::string wrong = PatternBytes(60000, 5);
  h.Start({h.AddFile("slow.mp3", body, 1.5, {}, Sha1(body)), h.AddFile("spoiled.mp3", wrong, 0, {}, Sha1(right))});
  const std::string mismatch =
      download::FaultText({download::TransferFailure::kDigest, 2}, download::DownloadTexts::Chinese());
  ASSERT_TRUE(h.WaitUntil([&] {
    return std::filesystem::exists(h.music + "slow.mp3.grb") && !h.downloads.Note(h.Row("spoiled.mp3")).empty();
  }));
  h.Run([&] { h.controller->OnStopAll(); });
  ASSERT_TRUE(h.WaitUntil([&] { return h.AllEnded(); }));
  h.Run([&] {
    EXPECT_EQ(h.downloads.Note(h.Row("spoiled.mp3")), mismatch);
    EXPECT_EQ(h.Cell("spoiled.mp3", core::kDownloadState), download::kStoppedText);
  });
  EXPECT_EQ(ReadBytes(h.music + "spoiled.mp3.grb"), wrong);
  EXPECT_FALSE(std::filesystem::exists(h.music + "spoiled.mp3"));
  EXPECT_EQ(h.Record("spoiled.mp3", storage::kSha1Key), Sha1(right));
  EXPECT_TRUE(h.logged.empty());

  h.Restart();
  h.server.ResetCounters();
  h.Run([&] { h.controller->OnResumeAll(); });
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 1 && h.AllEnded(); }));
  EXPECT_EQ(ReadBytes(h.music + "slow.mp3"), body);
  h.Run([&] { EXPECT_EQ(h.downloads.Note(h.Row("spoiled.mp3")), mismatch); });
  EXPECT_EQ(ReadBytes(h.music + "spoiled.mp3.grb"), wrong);

  standin::FileScript fixed;
  fixed.body = right;
  h.server.SetFile("/files/spoiled.mp3", fixed);
  h.Run([&] { h.controller->OnResumeAll(); });
  ASSERT_TRUE(h.WaitUntil([&] { return h.logged.size() == 2 && h.AllEnded(); }));
  EXPECT_EQ(ReadBytes(h.music + "spoiled.mp3"), right);
  std::vector<std::string> spoiledRanges;
  for (const auto& request : h.server.Requests()) {
    if (request.path == "/files/spoiled.mp3") spoiledRanges.push_back(request.range);
    if (request.path == "/files/slow.mp3") {
      EXPECT_FALSE(request.range.empty());
    }
  }
  EXPECT_EQ(spoiledRanges, (std::vector<std::string>{"bytes=60000-", ""}));
}
