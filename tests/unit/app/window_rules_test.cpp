#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/command_rules.h"
#include "app/launch_options.h"
#include "app/splitter_limits.h"

namespace vexon::app {
namespace {

// Which of `commands` are enabled, in order, as 1 and 0.
std::string Enabled(const CommandState& state, std::initializer_list<int> commands) {
  std::string out;
  for (int c : commands) out += CommandEnabled(c, state) ? '1' : '0';
  return out;
}

TEST(CommandRules, ResultCommandsFollowSelectionAndRows) {
  const auto results = {cmd::kStartDownload, cmd::kDownloadAs,         cmd::kCopyUrl,     cmd::kPlayOnline,
                        cmd::kVisitSite,     cmd::kClearAndStopSearch, cmd::kSaveResults, cmd::kStopSearch};
  CommandState state;
  EXPECT_EQ(Enabled(state, results), "00000000");
  state.resultRows = 3;
  EXPECT_EQ(Enabled(state, results), "00000110");
  state.resultsSelected = 1;
  EXPECT_EQ(Enabled(state, results), "11111110");
  state.searchRunning = true;
  EXPECT_EQ(Enabled(state, results), "11111111");
}

TEST(CommandRules, DownloadSelectionEnablesResumeAndStopByState) {
  using download::DownloadState;
  const auto with = [](size_t rows, const std::vector<DownloadState>& selected) {
    CommandState state;
    ReadDownloadSelection(rows, selected, state);
    return Enabled(state, {cmd::kResumeDownload, cmd::kStopDownload, cmd::kDeleteDownload, cmd::kResumeAll,
                           cmd::kStopAll, cmd::kDeleteAll});
  };
  EXPECT_EQ(with(2, {DownloadState::kStopped}), "101111");
  EXPECT_EQ(with(2, {DownloadState::kQueued}), "011111");
  EXPECT_EQ(with(2, {DownloadState::kStopped, DownloadState::kTransferring}), "111111");
  EXPECT_EQ(with(2, {}), "000111");
  EXPECT_EQ(with(0, {}), "000000");
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
