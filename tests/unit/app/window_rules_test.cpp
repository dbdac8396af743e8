#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/command_rules.h"
#include "app/launch_options.h"
#include "app/menu_layout.h"
#include "app/splitter_limits.h"
#include "app/status_counters.h"

namespace vexon::app {
namespace {

TEST(CommandRules, ResultCommandsFollowSelectionAndRows) {
  CommandState none;
  for (int c : {cmd::kStartDownload, cmd::kDownloadAs, cmd::kCopyUrl, cmd::kPlayOnline, cmd::kVisitSite,
                cmd::kClearAndStopSearch, cmd::kSaveResults, cmd::kStopSearch}) {
    EXPECT_FALSE(CommandEnabled(c, none)) << c;
  }
  CommandState rows;
  rows.resultRows = 3;
  EXPECT_TRUE(CommandEnabled(cmd::kSaveResults, rows));
  EXPECT_TRUE(CommandEnabled(cmd::kClearAndStopSearch, rows));
  EXPECT_FALSE(CommandEnabled(cmd::kStartDownload, rows));
  rows.resultsSelected = 1;
  EXPECT_TRUE(CommandEnabled(cmd::kStartDownload, rows));
  EXPECT_TRUE(CommandEnabled(cmd::kVisitSite, rows));
  CommandState running;
  running.searchRunning = true;
  EXPECT_TRUE(CommandEnabled(cmd::kStopSearch, running));
}

TEST(CommandRules, DownloadSelectionEnablesResumeAndStopByState) {
  using download::DownloadState;
  CommandState state;
  ReadDownloadSelection(2, {DownloadState::kStopped}, state);
  EXPECT_TRUE(CommandEnabled(cmd::kResumeDownload, state));
  EXPECT_FALSE(CommandEnabled(cmd::kStopDownload, state));
  ReadDownloadSelection(2, {DownloadState::kQueued}, state);
  EXPECT_FALSE(CommandEnabled(cmd::kResumeDownload, state));
  EXPECT_TRUE(CommandEnabled(cmd::kStopDownload, state));
  ReadDownloadSelection(2, {DownloadState::kStopped, DownloadState::kTransferring}, state);
  EXPECT_TRUE(CommandEnabled(cmd::kResumeDownload, state));
  EXPECT_TRUE(CommandEnabled(cmd::kStopDownload, state));
  EXPECT_TRUE(CommandEnabled(cmd::kDeleteDownload, state));
  ReadDownloadSelection(2, {}, state);
  EXPECT_FALSE(CommandEnabled(cmd::kDeleteDownload, state));
  EXPECT_TRUE(CommandEnabled(cmd::kResumeAll, state));
  EXPECT_TRUE(CommandEnabled(cmd::kStopAll, state));
  EXPECT_TRUE(CommandEnabled(cmd::kDeleteAll, state));
  ReadDownloadSelection(0, {}, state);
  EXPECT_FALSE(CommandEnabled(cmd::kResumeAll, state));
}

TEST(SplitterLimits, FollowHalfTheGrowthTruncatedTowardZero) {
  SplitterLimits limits(40, 500, 600);
  EXPECT_EQ(limits.lower(), 125);
  EXPECT_EQ(limits.upper(), 408);
  limits.WindowHeightChanged(700);
  EXPECT_EQ(limits.lower(), 175);
  EXPECT_EQ(limits.upper(), 458);
  limits.WindowHeightChanged(599);
  EXPECT_EQ(limits.lower(), 125);  // -1 / 2 is 0
  limits.WindowHeightChanged(601);
  EXPECT_EQ(limits.upper(), 408);
  EXPECT_EQ(limits.Clamp(0), 125);
  EXPECT_EQ(limits.Clamp(1000), 408);
  EXPECT_EQ(limits.Clamp(200), 200);
}

TEST(LaunchOptions, FlagsHostsAndSite) {
  LaunchOptions o;
  std::string error;
  ASSERT_TRUE(ParseLaunchOptions(
      {"--baidu-host", "127.0.0.1:9", "--yahoo-host", "y.example", "--site", "https://site.example/x"}, o, error));
  EXPECT_EQ(o.baiduHost, "127.0.0.1:9");
  EXPECT_EQ(o.yahooHost, "y.example");
  EXPECT_EQ(SiteBaseUrl(o.siteUrl), "https://site.example/x/");
  EXPECT_EQ(SiteBaseUrl(""), kDefaultSiteUrl);
  LaunchOptions v;
  ASSERT_TRUE(ParseLaunchOptions({"--version"}, v, error));
  EXPECT_TRUE(v.showVersion);
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{{"--baidu-host"},
                                                                                   {"--baidu-host", "a b"},
                                                                                   {"--site", "javascript:alert(1)"},
                                                                                   {"--site", "file:///etc/passwd"},
                                                                                   {"--site", "http://a b/"},
                                                                                   {"--colour"}}) {
    LaunchOptions x;
    error.clear();
    EXPECT_FALSE(ParseLaunchOptions(bad, x, error)) << bad.front();
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace vexon::app
