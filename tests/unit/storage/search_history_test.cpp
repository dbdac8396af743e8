#include "storage/search_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_files.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

using testing::TempDir;
using Entries = std::vector<std::string>;

class SearchHistoryFixture : public ::testing::Test {
 protected:
  SearchHistoryFixture()
      : profile(SettingsStore::SettingsPath(dir.path())), store(profile, dir.path()), history(store, settings) {
    settings.SearchHistoryMaxItems = 5;
  }

  // What the file holds, read as the start-up reads it.
  Entries Stored() {
    Entries out;
    for (int i = 0; i < 20; ++i) {
      std::string entry = profile.GetString("SearchTextHistory", text::Format("ItemText%d", i), "", 256);
      if (entry.empty()) break;
      out.push_back(entry);
    }
    return out;
  }

  TempDir dir;
  Profile profile;
  SettingsStore store;
  AppSettings settings;
  SearchHistory history;
};

TEST_F(SearchHistoryFixture, ASearchGoesToTheTopTrimmedAndIsSaved) {
  history.Record("  月亮代表我的心 \t");
  history.Record("周杰伦");
  EXPECT_EQ(history.entries(), (Entries{"周杰伦", "月亮代表我的心"}));
  EXPECT_EQ(Stored(), history.entries());
  EXPECT_EQ(profile.GetInt("SearchTextHistory", "MaxItems", 0), 5u);
}

// Repeating an entry, in any letter case, moves it to the top as newly typed and drops
// nothing else; the sixth distinct one drops the oldest of five.
TEST_F(SearchHistoryFixture, RepeatsMoveToTheTopAndTheSixthDropsTheOldest) {
  for (const char* text : {"Moon River", "2", "3", "4", "5"}) history.Record(text);
  history.Record("MOON river");
  EXPECT_EQ(history.entries(), (Entries{"MOON river", "5", "4", "3", "2"}));
  history.Record("6");
  EXPECT_EQ(history.entries(), (Entries{"6", "MOON river", "5", "4", "3"}));
  history.Record("4");
  EXPECT_EQ(history.entries(), (Entries{"4", "6", "MOON river", "5", "3"}));
  EXPECT_EQ(Stored(), history.entries());
}

}  // namespace
}  // namespace vexon::storage
