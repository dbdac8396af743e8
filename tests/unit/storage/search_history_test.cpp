#include "storage/search_history.h"

#include <gtest/gtest.h>

#include <functional>
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

TEST_F(SearchHistoryFixture, AnEntryInOtherLetterCaseMovesToTheTopAsNewlyTyped) {
  for (const char* text : {"Moon River", "b", "c"}) history.Record(text);
  history.Record("MOON river");
  EXPECT_EQ(history.entries(), (Entries{"MOON river", "c", "b"}));
  EXPECT_EQ(Stored(), history.entries());
}

TEST_F(SearchHistoryFixture, TheSixthDistinctSearchDropsTheOldestOfFive) {
  for (const char* text : {"1", "2", "3", "4", "5"}) history.Record(text);
  EXPECT_EQ(history.entries(), (Entries{"5", "4", "3", "2", "1"}));
  history.Record("6");
  EXPECT_EQ(history.entries(), (Entries{"6", "5", "4", "3", "2"}));
  // Repeating one that is there drops nothing else.
  history.Record("3");
  EXPECT_EQ(history.entries(), (Entries{"3", "6", "5", "4", "2"}));
  EXPECT_EQ(Stored(), history.entries());
}

}  // namespace
}  // namespace vexon::storage
