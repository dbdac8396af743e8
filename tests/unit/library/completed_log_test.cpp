#include "library/completed_log.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/list_schemas.h"
#include "fakes/ports.h"
#include "library/playlist.h"
#include "library/result_links.h"
#include "net/url.h"
#include "support/test_files.h"
#include "text/strings.h"

namespace vexon::library {
namespace {

using FakePrompter = test::RecordingPrompter;
using FakeShell = test::RecordingShell;

using vexon::testing::ReadBytes;
using vexon::testing::TempDir;
using vexon::testing::WriteBytes;
namespace fs = std::filesystem;

// Answers each showing with the next scripted edit; no script left means Cancel.
class ScriptedMoveDialog final : public MoveFileDialog {
 public:
  bool Show(MoveFileForm& form) override {
    shown.push_back(form.FullName());
    if (script.empty()) return false;
    auto edit = script.front();
    script.erase(script.begin());
    edit(form);
    return true;
  }
  std::vector<std::function<void(MoveFileForm&)>> script;
  std::vector<std::string> shown;
};

class CompletedLogTest : public ::testing::Test {
 protected:
  CompletedLogTest()
      : profile(storage::SettingsStore::SettingsPath(dir.path())),
        store(profile, dir.path()),
        log(completed, settings, store, prompter, shell, moveDialog, dir.path()) {}

  // Files a.mp3, b.mp3, ... in the download folder, each logged in order.
  void AddFiles(int count) {
    fs::create_directories(folder());
    for (int i = 0; i < count; ++i) {
      const std::string path = folder() + std::string(1, static_cast<char>('a' + i)) + ".mp3";
      WriteBytes(path, "data" + std::to_string(i));
      log.AddLogItem(path, std::to_string(5 + i));
    }
  }
  std::string folder() const { return dir.path().string() + "/dl/"; }
  std::vector<std::string> Column(size_t column) const {
    std::vector<std::string> cells;
    for (size_t r = 0; r < completed.rowCount(); ++r) cells.push_back(completed.Cell(r, column));
    return cells;
  }
  std::string StoredItem(int i) const {
    return profile.Read()->GetString(storage::kCompletedSection, text::Format("Item%d", i), "", 1024);
  }

  TempDir dir;
  storage::Profile profile;
  storage::SettingsStore store;
  storage::AppSettings settings;
  core::ListTable completed{core::kCompletedColumns};
  FakePrompter prompter;
  FakeShell shell;
  ScriptedMoveDialog moveDialog;
  CompletedLog log;
};

TEST_F(CompletedLogTest, AFullLogDropsTheOldestByIndexUnderAnySort) {
  settings.CompletedMaxItems = 3;
  AddFiles(3);
  completed.Sort(core::kLogName, false);  // c, b, a
  AddFiles(0);
  log.AddLogItem(folder() + "z.mp3", "9");
  // The user's sort is back: by name, descending.
  EXPECT_EQ(Column(core::kLogName), (std::vector<std::string>{"z.mp3", "c.mp3", "b.mp3"}));
  EXPECT_EQ(Column(core::kLogIndex), (std::vector<std::string>{"2", "1", "0"}));
  EXPECT_EQ(completed.sortColumn(), core::kLogName);
  EXPECT_EQ(StoredItem(0), folder() + "b.mp3");
  EXPECT_EQ(StoredItem(2), folder() + "z.mp3");
}

TEST_F(CompletedLogTest, PlayOpensOneFileOrWritesAndOpensThePlaylist) {
  AddFiles(3);
  log.OnPlay({});
  log.OnPlay({1});
  log.OnPlay({0, 2});
  const fs::path playlist = dir.path() / kPlaylistFileName;
  EXPECT_EQ(shell.files, (std::vector<std::string>{folder() + "b.mp3", playlist.string()}));
  EXPECT_EQ(ReadBytes(playlist), "#EXTM3U\r\n#EXTINF:0,a.mp3\r\n" + folder() + "a.mp3\r\n\r\n#EXTINF:0,c.mp3\r\n" +
                                     folder() + "c.mp3\r\n\r\n");
  EXPECT_TRUE(prompter.texts.empty());
  // A play that cannot start says so, naming the file and why.
  shell.opens = false;
  log.OnPlay({1});
  fs::remove(folder() + "c.mp3");
  log.OnPlay({2});
  EXPECT_EQ(prompter.texts, (std::vector<std::string>{"不能播放文件 " + folder() + "b.mp3: 没有能打开这种文件的程序",
                                                      "不能播放文件 " + folder() + "c.mp3: 文件已不存在"}));
}

TEST_F(CompletedLogTest, OpenAndShowInFolderTellWhatIsGone) {
  AddFiles(3);
  fs::remove(folder() + "b.mp3");
  log.OnOpen({});
  log.OnOpen({0});
  log.OnOpen({1});
  EXPECT_EQ(shell.files, (std::vector<std::string>{folder() + "a.mp3"}));
  shell.opens = false;
  log.OnOpen({2});
  EXPECT_EQ(prompter.texts, (std::vector<std::string>{"不能打开文件 " + folder() + "b.mp3: 文件已不存在",
                                                      "不能打开文件 " + folder() + "c.mp3: 没有能打开这种文件的程序"}));

  const std::string dl = folder().substr(0, folder().size() - 1);
  struct Case {
    size_t row;
    std::string note;  // the status line's
    std::vector<std::string> shown;
    std::vector<std::string> folders;
  };
  const std::vector<Case> cases = {
      {0, "", {folder() + "a.mp3"}, {}},
      {1, "文件已不存在, 已打开它的文件夹: " + dl, {}, {dl}},
      {9, "", {}, {}},
  };
  for (const Case& c : cases) {
    shell.shown.clear();
    shell.folders.clear();
    EXPECT_EQ(log.OnShowInFolder({c.row}), c.note) << c.row;
    EXPECT_EQ(shell.shown, c.shown) << c.row;
    EXPECT_EQ(shell.folders, c.folders) << c.row;
  }
  fs::remove_all(folder());
  EXPECT_EQ(log.OnShowInFolder({0}), "不能打开文件夹: " + dl);
  EXPECT_EQ(log.ShowInFolder(folder() + "c.mp3"), "不能打开文件夹: " + dl);
}

TEST_F(CompletedLogTest, MoveToAnotherFolderAndCancelAndAFailedMove) {
  AddFiles(3);
  const std::string other = dir.path().string() + "/other/";
  fs::create_directories(other);
  moveDialog.script = {[&](MoveFileForm& f) { f.FolderChosen(other.substr(0, other.size() - 1)); }};
  log.OnMoveFile({0, 1});  // the second is cancelled
  EXPECT_EQ(completed.Cell(0, core::kLogFolder), other);
  EXPECT_TRUE(fs::exists(other + "a.mp3"));
  EXPECT_EQ(completed.Cell(1, core::kLogName), "b.mp3");
  // A folder that does not exist: the move fails and the row stays as it was.
  moveDialog.script = {[&](MoveFileForm& f) { f.SetPath(dir.path().string() + "/missing/"); }};
  log.OnMoveFile({2});
  EXPECT_EQ(completed.Cell(2, core::kLogFolder), folder());
  EXPECT_TRUE(fs::exists(folder() + "c.mp3"));
  ASSERT_EQ(prompter.texts.size(), 1u);
  EXPECT_NE(prompter.texts[0].find("c.mp3"), std::string::npos);
}

TEST_F(CompletedLogTest, DeleteFilesAsksRemovesFilesAndRowsAndRenumbers) {
  AddFiles(4);
  prompter.answer = core::MessageResult::kNo;
  log.OnDeleteFiles({1, 2});
  EXPECT_EQ(completed.rowCount(), 4u);
  prompter.answer = core::MessageResult::kYes;
  fs::remove(folder() + "c.mp3");  // a missing file is skipped silently
  log.OnDeleteFiles({1, 2});
  EXPECT_EQ(prompter.texts.back(), kDeleteSelectedQuestion);
  EXPECT_EQ(Column(core::kLogName), (std::vector<std::string>{"a.mp3", "d.mp3"}));
  EXPECT_EQ(Column(core::kLogIndex), (std::vector<std::string>{"0", "1"}));
  EXPECT_FALSE(fs::exists(folder() + "b.mp3"));
  EXPECT_TRUE(fs::exists(folder() + "a.mp3"));
  EXPECT_EQ(StoredItem(1), folder() + "d.mp3");
  EXPECT_EQ(StoredItem(2), "");
}

TEST_F(CompletedLogTest, AFileThatCannotBeDeletedEndsTheCommandWithTheLogConsistent) {
  AddFiles(3);
  // A folder in place of the second file: it exists and cannot be removed as a file.
  fs::remove(folder() + "b.mp3");
  fs::create_directories(folder() + "b.mp3/inside");
  log.OnDeleteAllFiles();
  ASSERT_EQ(prompter.texts.size(), 2u);
  EXPECT_EQ(prompter.texts[0], kDeleteAllQuestion);
  EXPECT_NE(prompter.texts[1].find("b.mp3"), std::string::npos);
  EXPECT_EQ(Column(core::kLogName), (std::vector<std::string>{"b.mp3", "c.mp3"}));
  EXPECT_EQ(Column(core::kLogIndex), (std::vector<std::string>{"0", "1"}));
  EXPECT_FALSE(fs::exists(folder() + "a.mp3"));
  EXPECT_TRUE(fs::exists(folder() + "c.mp3"));
  EXPECT_EQ(StoredItem(0), folder() + "b.mp3");
  EXPECT_EQ(StoredItem(2), "");
}

// Clearing the log keeps the files and takes every entry out of the settings file
// as well, also those another process wrote there first.
TEST_F(CompletedLogTest, ClearingTheLogEmptiesTheStoredLogAndKeepsTheFiles) {
  AddFiles(3);
  prompter.answer = core::MessageResult::kYes;
  log.OnClearLogItems({1});
  EXPECT_EQ(Column(core::kLogIndex), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(StoredItem(1), folder() + "c.mp3");
  log.OnClearAllLogItems();
  EXPECT_EQ(prompter.texts.back(), kClearAllQuestion);
  EXPECT_EQ(completed.rowCount(), 0u);
  EXPECT_EQ(StoredItem(0), "");
  EXPECT_TRUE(fs::exists(folder() + "a.mp3"));
  log.AddLogItem(folder() + "b.mp3", "6");
  EXPECT_EQ(Column(core::kLogIndex), (std::vector<std::string>{"0"}));
  EXPECT_EQ(StoredItem(0), folder() + "b.mp3");
  EXPECT_EQ(StoredItem(1), "");
}

// The filter shows the entries whose path holds every word; commands on all rows
// act on those shown, and the stored log keeps the rest.
TEST_F(CompletedLogTest, TheFilterShowsMatchingEntriesAndTheAllCommandsActOnThem) {
  AddFiles(3);
  fs::create_directories(folder() + "Live");
  log.AddLogItem(folder() + "Live/Beatles - Help.MP3", "9");
  log.AddLogItem(folder() + "Live/beatles - Yesterday.mp3", "9");
  struct Case {
    const char* words;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {"beatles", {"Beatles - Help.MP3", "beatles - Yesterday.mp3"}},
      {"  HELP\xE3\x80\x80"
       "beAtles ",
       {"Beatles - Help.MP3"}},
      {"live mp3", {"Beatles - Help.MP3", "beatles - Yesterday.mp3"}},
      {"b.mp3", {"b.mp3"}},
      {"nothing", {}},
      {"", {"a.mp3", "b.mp3", "c.mp3", "Beatles - Help.MP3", "beatles - Yesterday.mp3"}},
  };
  for (const Case& c : cases) {
    log.SetFilter(c.words);
    EXPECT_EQ(Column(core::kLogName), c.names) << c.words;
  }
  // A new entry shows only when it matches.
  log.SetFilter("beatles");
  log.AddLogItem(folder() + "d.mp3", "5");
  EXPECT_EQ(completed.rowCount(), 2u);
  prompter.answer = core::MessageResult::kYes;
  log.OnClearAllLogItems();
  EXPECT_EQ(completed.rowCount(), 0u);
  log.SetFilter("");
  EXPECT_EQ(Column(core::kLogName), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
  EXPECT_EQ(StoredItem(3), folder() + "d.mp3");
  EXPECT_EQ(StoredItem(4), "");
  log.SetFilter("c.mp3");
  log.OnDeleteAllFiles();
  EXPECT_FALSE(fs::exists(folder() + "c.mp3"));
  EXPECT_TRUE(fs::exists(folder() + "b.mp3"));
  log.SetFilter("");
  EXPECT_EQ(Column(core::kLogName), (std::vector<std::string>{"a.mp3", "b.mp3", "d.mp3"}));
}

class TableAssociations final : public Associations {
 public:
  std::optional<std::string> TypeForExtension(const std::string& extension) override {
    asked.push_back(extension);
    return Find(types, extension);
  }
  std::optional<std::string> DefaultApplication(const std::string& type) override { return Find(apps, type); }
  bool Launch(const std::string& app, const std::string& url) override {
    if (app != launchable) return false;
    launches.emplace_back(app, url);
    return true;
  }
  std::map<std::string, std::string> types, apps;
  std::string launchable = "player.desktop";
  std::vector<std::string> asked;
  std::vector<std::pair<std::string, std::string>> launches;

 private:
  static std::optional<std::string> Find(const std::map<std::string, std::string>& m, const std::string& k) {
    auto it = m.find(k);
    return it == m.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
};

struct Rig {
  Rig() : links(prompter, shell, associations) {
    associations.types = {{".mp3", "audio/mpeg"}, {".wma", "audio/x-ms-wma"}, {".ogg", "audio/ogg"}};
    associations.apps = {{"audio/mpeg", "player.desktop"}, {"audio/ogg", "broken.desktop"}};
  }
  FakePrompter prompter;
  FakeShell shell;
  TableAssociations associations;
  ResultLinks links;
};

TEST(ResultLinks, PlayOnlineStartsTheDefaultApplicationWithTheUrl) {
  Rig rig;
  const std::string url = "http://h:8/a b;rm -rf ~.mp3";
  rig.links.OnPlayOnline(url);
  ASSERT_EQ(rig.associations.launches.size(), 1u);
  EXPECT_EQ(rig.associations.launches[0], std::make_pair(std::string("player.desktop"), url));
  EXPECT_TRUE(rig.prompter.texts.empty());
}

TEST(ResultLinks, EachMissingStepShowsTheSameMessage) {
  for (const char* url : {"http://h/a.xyz", "http://h/a.wma", "http://h/a.ogg"}) {
    Rig rig;
    rig.links.OnPlayOnline(url);
    EXPECT_TRUE(rig.associations.launches.empty()) << url;
    ASSERT_EQ(rig.prompter.texts.size(), 1u) << url;
    EXPECT_EQ(rig.prompter.texts[0], kPlayerMissingText);
  }
  Rig none;
  none.links.OnPlayOnline("http://h/noextension");  // the host has no dot either
  EXPECT_TRUE(none.prompter.texts.empty());
  EXPECT_TRUE(none.associations.asked.empty());
}

TEST(ResultLinks, OnlyWebAddressesReachTheDesktop) {
  for (const char* url : {"file:///etc/a.mp3", "javascript:alert(1)//.mp3", "/home/u/a.mp3", "ftp://h/a.mp3"}) {
    Rig rig;
    rig.links.OnPlayOnline(url);
    rig.links.OnVisitSite(url);
    EXPECT_TRUE(rig.associations.launches.empty()) << url;
    EXPECT_TRUE(rig.shell.web.empty()) << url;
    EXPECT_EQ(rig.prompter.texts.size(), 2u) << url;
  }
  Rig rig;
  rig.links.OnVisitSite("HTTPS://Example.com/dir/a.mp3");
  EXPECT_EQ(rig.shell.web, (std::vector<std::string>{"HTTPS://Example.com"}));
}

TEST(ResultLinks, SiteAndExtensionOfAUrl) {
  EXPECT_EQ(SiteOfUrl("http://h.example:81/dir/a.mp3"), "http://h.example:81");
  EXPECT_EQ(SiteOfUrl("http://h.example"), "http://h.example");
  EXPECT_EQ(SiteOfUrl("h.example/dir/a.mp3"), "h.example");
  EXPECT_EQ(SiteOfUrl("h.example"), "h.example");
  EXPECT_EQ(UrlExtension("http://h/a.b.MP3"), ".MP3");
  EXPECT_EQ(UrlExtension("noext"), "");
  EXPECT_TRUE(net::IsHttpAddress("http://h/a b.mp3") && net::IsHttpAddress("HtTpS://h"));
  for (const char* bad : {"http://", "http://h/\n.mp3", "http://h/\x01", "httpx://h"}) {
    EXPECT_FALSE(net::IsHttpAddress(bad)) << bad;
  }
}

}  // namespace
}  // namespace vexon::library
