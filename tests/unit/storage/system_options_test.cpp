#include "storage/system_options.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "support/test_files.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using text::Format;

// The log as a list of paths, oldest first, written through the store.
class PathLog final : public CompletedLogLimit {
 public:
  PathLog(SettingsStore& store, const AppSettings& settings) : store_(store), settings_(settings) {}
  size_t KeepNewest(size_t count) override {
    const size_t removed = paths.size() > count ? paths.size() - count : 0;
    gone.insert(paths.begin(), paths.begin() + static_cast<std::ptrdiff_t>(removed));
    paths.erase(paths.begin(), paths.begin() + static_cast<std::ptrdiff_t>(removed));
    return removed;
  }
  void Save() override { store_.SaveCompletedLog(paths, gone, settings_); }
  std::vector<std::string> paths;
  std::unordered_set<std::string> gone;

 private:
  SettingsStore& store_;
  const AppSettings& settings_;
};

class SystemOptionsFixture : public ::testing::Test {
 protected:
  SystemOptionsFixture()
      : profile(SettingsStore::SettingsPath(dir.path())), store(profile, dir.path()), history(store, settings) {
    settings.DefaultMusicPath = "/music/";
  }

  OptionsChanges Apply(const SystemOptions& chosen) {
    return ApplySystemOptions(chosen, settings, store, history, completed);
  }

  // A log of `rows` entries, oldest first, with its keys in the file.
  void FillLog(int rows) {
    for (int i = 0; i < rows; ++i) completed.paths.push_back(Format("/m/song%03d.mp3", i));
    completed.Save();
  }

  TempDir dir;
  Profile profile;
  SettingsStore store;
  AppSettings settings;
  SearchHistory history;
  PathLog completed{store, settings};
};

// The search history, of at most five entries.
class SearchHistoryFixture : public SystemOptionsFixture {
 protected:
  SearchHistoryFixture() { settings.SearchHistoryMaxItems = 5; }

  // What the file holds, read as the start-up reads it.
  std::vector<std::string> Stored() {
    std::vector<std::string> out;
    for (int i = 0; i < 20; ++i) {
      std::string entry = profile.GetString("SearchTextHistory", Format("ItemText%d", i), "", 256);
      if (entry.empty()) break;
      out.push_back(entry);
    }
    return out;
  }
};
using Entries = std::vector<std::string>;

TEST_F(SystemOptionsFixture, EachChangedFieldIsStoredAndWrittenInOrder) {
  SystemOptions chosen = CurrentSystemOptions(settings);
  chosen.folder = "/新的/文件夹";
  chosen.titleDown = false;
  chosen.maxDownloadThreads = 6;
  chosen.maxDownloadSpeed = 300;
  chosen.completedMaxItems = 150;
  chosen.searchHistoryMaxItems = 15;
  chosen.language = "en";
  const OptionsChanges changes = Apply(chosen);
  EXPECT_TRUE(changes.folder && changes.titleDown && changes.maxDownloadThreads && changes.maxDownloadSpeed &&
              changes.completedMaxItems && changes.searchHistoryMaxItems && changes.language);
  EXPECT_EQ(settings.DefaultMusicPath, "/新的/文件夹/");
  EXPECT_FALSE(settings.TitleDown);
  EXPECT_EQ(settings.MaxDownloadThreads, 6u);
  EXPECT_EQ(settings.MaxDownloadSpeed.load(), 300u);
  EXPECT_EQ(settings.CompletedMaxItems, 150u);
  EXPECT_EQ(settings.SearchHistoryMaxItems, 15u);
  // The sections appear in the order in which they were first written.
  EXPECT_EQ(profile.SectionNames(kSectionNamesBufferSize),
            (std::vector<std::string>{"System", "Mp3_completed", "SearchTextHistory"}));
  const auto file = profile.Read();
  EXPECT_EQ(file->GetString("System", "DefaultMusicPath", "", 256), "/新的/文件夹/");
  EXPECT_EQ(file->GetInt("System", "TitleDown", 1), 0u);
  EXPECT_EQ(file->GetInt("System", "MaxDownloadThreads", 0), 6u);
  EXPECT_EQ(file->GetInt("System", "MaxDownloadSpeed", 0), 300u);
  EXPECT_EQ(file->GetInt("Mp3_completed", "MaxItems", 0), 150u);
  EXPECT_EQ(file->GetInt("SearchTextHistory", "MaxItems", 0), 15u);
  EXPECT_EQ(file->GetString("System", "Language", "", 16), "en");
  // A stored value the program does not know shows as auto; keeping auto leaves it.
  settings.language = " Klingon ";
  EXPECT_EQ(CurrentSystemOptions(settings).language, "auto");
  EXPECT_FALSE(Apply(CurrentSystemOptions(settings)).language);
  settings.language = "ZH";
  EXPECT_EQ(CurrentSystemOptions(settings).language, "zh");
}

// Lowered maxima drop the oldest log rows and history entries; the history keys past
// the new maximum are left alone.
TEST_F(SystemOptionsFixture, LoweringTheMaximaDropsTheOldest) {
  FillLog(120);
  settings.SearchHistoryMaxItems = 20;
  for (int i = 0; i < 15; ++i) history.Record(Format("text %d", i));  // "text 14" is newest
  SystemOptions chosen = CurrentSystemOptions(settings);
  chosen.completedMaxItems = 50;
  chosen.searchHistoryMaxItems = 10;
  const OptionsChanges changes = Apply(chosen);
  EXPECT_EQ(changes.completedRowsRemoved, 70u);
  EXPECT_EQ(changes.historyEntriesRemoved, 5u);
  EXPECT_EQ(completed.paths.size(), 50u);
  ASSERT_EQ(history.entries().size(), 10u);
  EXPECT_EQ(history.entries().front(), "text 14");
  EXPECT_EQ(history.entries().back(), "text 5");
  const auto file = profile.Read();
  EXPECT_EQ(file->GetString("Mp3_completed", "Item0", "", 256), "/m/song070.mp3");
  EXPECT_EQ(file->GetString("Mp3_completed", "Item49", "", 256), "/m/song119.mp3");
  EXPECT_EQ(file->GetString("Mp3_completed", "Item50", "?", 256), "");
  EXPECT_EQ(file->GetInt("Mp3_completed", "MaxItems", 0), 50u);
  EXPECT_EQ(file->GetString("SearchTextHistory", "ItemText9", "", 256), "text 5");
  // Keys 10 to 14 were not touched: they still hold the five oldest texts.
  EXPECT_EQ(file->GetString("SearchTextHistory", "ItemText10", "", 256), "text 4");
  EXPECT_EQ(file->GetString("SearchTextHistory", "ItemText14", "", 256), "text 0");
  EXPECT_EQ(file->GetInt("SearchTextHistory", "MaxItems", 0), 10u);

  // A later start with a higher maximum reads them again behind the newer ones.
  ASSERT_TRUE(profile.WriteString("SearchTextHistory", "MaxItems", "20"));
  AppSettings later;
  StoredLists loaded;
  store.LoadSettings(later, loaded);
  ASSERT_EQ(loaded.history.size(), 15u);
  EXPECT_EQ(loaded.history[9], "text 5");
  EXPECT_EQ(loaded.history[10], "text 4");
}

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

TEST(SystemOptionsCheck, FirstInvalidFieldInTheDialogsOrder) {
  const SystemOptions valid{"/m/", true, 3, 0, 10, 200};
  EXPECT_EQ(FirstInvalidOption(valid), std::nullopt);
  struct CheckCase {
    const char* name;
    SystemOptions options;
    std::optional<OptionsField> expected;
  };
  // The stored folder, with its "/", must fit 255 bytes of the file's code page.
  std::string longest;
  for (int i = 0; i < 127; ++i) longest += "音";
  const std::vector<CheckCase> cases = {
      {"empty folder", {"", true, 3, 0, 10, 200}, OptionsField::kFolder},
      {"254 bytes and the slash", {longest, true, 3, 0, 10, 200}, std::nullopt},
      {"256 bytes and the slash", {longest + "音", true, 3, 0, 10, 200}, OptionsField::kFolder},
      {"255 bytes with their slash", {std::string(254, 'a') + "/", true, 3, 0, 10, 200}, std::nullopt},
      {"255 bytes without a slash", {std::string(255, 'a'), true, 3, 0, 10, 200}, OptionsField::kFolder},
      {"history 4", {"/m/", true, 3, 0, 4, 200}, OptionsField::kSearchHistoryMaxItems},
      {"history 21", {"/m/", true, 3, 0, 21, 200}, OptionsField::kSearchHistoryMaxItems},
      {"threads 0", {"/m/", true, 0, 0, 10, 200}, OptionsField::kMaxDownloadThreads},
      {"threads 11", {"/m/", true, 11, 0, 10, 200}, OptionsField::kMaxDownloadThreads},
      {"log 49", {"/m/", true, 3, 0, 10, 49}, OptionsField::kCompletedMaxItems},
      {"log 201", {"/m/", true, 3, 0, 10, 201}, OptionsField::kCompletedMaxItems},
      {"speed 1001", {"/m/", true, 3, 1001, 10, 200}, OptionsField::kMaxDownloadSpeed},
      {"speed 1000 and threads 10", {"/m/", true, 10, 1000, 20, 50}, std::nullopt},
      {"history before threads", {"/m/", true, 0, 0, 99, 200}, OptionsField::kSearchHistoryMaxItems},
      {"log before speed", {"/m/", true, 3, 5000, 10, 0}, OptionsField::kCompletedMaxItems}};
  for (const CheckCase& c : cases) EXPECT_EQ(FirstInvalidOption(c.options), c.expected) << c.name;
}

}  // namespace
}  // namespace vexon::storage
