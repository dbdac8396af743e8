#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/download_notices.h"
#include "app/download_presence.h"
#include "fakes/ports.h"
#include "integration/download/download_harness.h"
#include "library/completed_log.h"
#include "library/playlist.h"

namespace vexon::app {
namespace {

using download::testing::DownloadHarness;
using namespace std::chrono_literals;

class NoMoveDialog final : public library::MoveFileDialog {
 public:
  bool Show(library::MoveFileForm&) override { return false; }
};

// Real downloads from the stand-in; the notices see the program's own reports.
class DesktopPresenceTest : public ::testing::Test {
 protected:
  DesktopPresenceTest() {
    h.Run([&] {
      log = std::make_unique<library::CompletedLog>(completed, h.settings, h.store, prompter, shell, moveDialog,
                                                    h.dir.path());
      notices = std::make_unique<DownloadNotices>(
          *h.controller, *log, h.settings,
          [&](core::NoticeActions& chosen) {
            actions = &chosen;
            return std::make_unique<test::RecordingNotifier>(shown);
          },
          [&] { return inFront; }, text::Translator{}, [&] { return now; });
    });
  }
  ~DesktopPresenceTest() override {
    h.Run([&] {
      notices.reset();
      log.reset();
    });
  }

  // Downloads `name` to its end, `pause` after the one before.
  void Fetch(const std::string& name, std::chrono::seconds pause, int status = 200) {
    standin::FileScript script;
    script.status = status;
    const size_t row = h.AddFile(name, "x" + name, 0, script);
    h.Run([&] { now += pause; });
    h.Start({row});
    ASSERT_TRUE(h.WaitUntil([&] { return h.AllEnded(); }));
  }

  DownloadHarness h;
  core::ListTable completed{core::kCompletedColumns};
  test::RecordingPrompter prompter;
  test::RecordingShell shell;
  NoMoveDialog moveDialog;
  std::unique_ptr<library::CompletedLog> log;
  std::vector<core::DesktopNotice> shown;
  core::NoticeActions* actions = nullptr;
  bool inFront = false;
  std::chrono::steady_clock::time_point now{};
  std::unique_ptr<DownloadNotices> notices;
};

TEST_F(DesktopPresenceTest, ABurstOfCompletionsIsOneGrowingNoticeWithItsActions) {
  Fetch("a.mp3", 0s);
  Fetch("b.mp3", 2s);
  Fetch("c.mp3", 4s);
  Fetch("d.mp3", 6s);  // after the pause: a notice of its own
  h.Run([&] { inFront = true; });
  Fetch("e.mp3", 1s);
  h.Run([&] {
    inFront = false;
    h.settings.Notify = false;
  });
  Fetch("f.mp3", 1s);

  const std::string folder = h.music.substr(0, h.music.size() - 1);
  struct Expected {
    std::string summary;
    std::string body;
  };
  const std::vector<Expected> expected = {
      {"下载完成: a.mp3", "文件夹: " + folder},
      {"2 个文件已下载", "最后一个: b.mp3\n文件夹: " + folder},
      {"3 个文件已下载", "最后一个: c.mp3\n文件夹: " + folder},
      {"下载完成: d.mp3", "文件夹: " + folder},
  };
  ASSERT_EQ(shown.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(shown[i].summary, expected[i].summary) << i;
    EXPECT_EQ(shown[i].body, expected[i].body) << i;
    EXPECT_FALSE(shown[i].failure);
    ASSERT_EQ(shown[i].actions.size(), 2u);
    EXPECT_EQ(shown[i].actions[0].label, "播放");
    EXPECT_EQ(shown[i].actions[1].label, "打开所在文件夹");
  }
  EXPECT_EQ(shown[0].replaceKey, shown[2].replaceKey);
  EXPECT_NE(shown[0].replaceKey, shown[3].replaceKey);

  // The burst's play is the log's play of its files; its folder shows the last one.
  h.Run([&] {
    for (const char* junk : {"play", "play x", "play 99", "folder ", "stop 1", ""}) actions->NoticeActionChosen(junk);
    EXPECT_TRUE(shell.files.empty());
    actions->NoticeActionChosen(shown[2].actions[0].key);
    actions->NoticeActionChosen(shown[3].actions[0].key);
    actions->NoticeActionChosen(shown[1].actions[1].key);
  });
  EXPECT_EQ(shell.files, (std::vector<std::string>{(h.dir / library::kPlaylistFileName).string(), h.music + "d.mp3"}));
  EXPECT_EQ(shell.shown, (std::vector<std::string>{h.music + "c.mp3"}));
}

TEST_F(DesktopPresenceTest, FailuresAreToldWithTheirCauseAndCollapseToo) {
  Fetch("gone.mp3", 0s, 404);
  Fetch("gone2.mp3", 1s, 404);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(shown[0].failure);
  EXPECT_EQ(shown[0].summary, "下载失败: gone.mp3");
  EXPECT_NE(shown[0].body.find("404"), std::string::npos) << shown[0].body;
  EXPECT_EQ(shown[1].summary, "2 个下载失败");
  EXPECT_EQ(shown[1].replaceKey, shown[0].replaceKey);
  EXPECT_TRUE(shown[1].actions.empty());
}

TEST_F(DesktopPresenceTest, TheLauncherAndTheSleepHoldFollowRunningDownloads) {
  test::RecordingPresence presence;
  std::unique_ptr<DownloadPresence> watcher;
  h.Run([&] { watcher = std::make_unique<DownloadPresence>(*h.controller, presence, presence); });
  const size_t row = h.AddFile("slow.mp3", std::string(64 * 1024, 's'), 1.5);
  h.Start({row});
  ASSERT_TRUE(h.WaitUntil([&] {
    watcher->Refresh();
    return !presence.shows.empty() && presence.shows.back().first > 0;
  }));
  h.Run([&] {
    EXPECT_TRUE(presence.held);
    EXPECT_EQ(presence.shows.back().second, 1u);
    EXPECT_LE(presence.shows.back().first, 1.0);
    EXPECT_EQ(presence.clears, 0);
  });
  // The end of the last transfer gives both up without waiting for a timer.
  ASSERT_TRUE(h.WaitUntil([&] { return h.AllEnded(); }));
  h.Run([&] {
    EXPECT_FALSE(presence.held);
    EXPECT_EQ(presence.clears, 1);
    watcher.reset();
  });
  EXPECT_EQ(presence.clears, 1);  // nothing shown, nothing to clear at the end
}

}  // namespace
}  // namespace vexon::app
