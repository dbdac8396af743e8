#include "storage/settings_store.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/list_schemas.h"
#include "storage/completed_merge.h"
#include "storage/result_file.h"
#include "support/test_files.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

using core::ListTable;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using text::Format;
using text::Gb18030FromUtf8;
using Row = std::vector<std::string>;

// A start-up directory with its settings file and the lists LoadSettings fills.
class SettingsFixture : public ::testing::Test {
 protected:
  SettingsFixture() : profile(SettingsStore::SettingsPath(dir.path())), store(profile, dir.path()) {}

  std::filesystem::path IniPath() const { return SettingsStore::SettingsPath(dir.path()); }
  void WriteIni(const std::string& utf8) { WriteBytes(IniPath(), Gb18030FromUtf8(utf8)); }
  std::string Downloads() const { return (dir / "Downloads").string() + "/"; }
  void Load() { store.LoadSettings(settings, lists); }
  // The unfinished downloads read, as "name|URL|size|partial bytes".
  std::vector<std::string> Records() const {
    std::vector<std::string> out;
    for (const auto& r : lists.downloads) {
      out.push_back(r.fullName + "|" + r.url + "|" + r.sizeText + "|" + std::to_string(r.partialBytes));
    }
    return out;
  }

  TempDir dir;
  Profile profile;
  SettingsStore store;
  AppSettings settings;
  StoredLists lists;
};

TEST_F(SettingsFixture, NoFileGivesTheDefaultsAndOnlyTheDownloadFolderIsWritten) {
  Load();
  EXPECT_EQ(settings.MaxDownloadThreads, 3u);
  EXPECT_EQ(settings.MaxDownloadSpeed.load(), 0u);
  EXPECT_TRUE(settings.TitleDown);
  EXPECT_EQ(settings.SearchHistoryMaxItems, 10u);
  EXPECT_EQ(settings.CompletedMaxItems, 200u);
  EXPECT_EQ(settings.DefaultMusicPath, Downloads());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "Downloads"));
  EXPECT_TRUE(lists.history.empty() && lists.completed.empty() && lists.downloads.empty());
  EXPECT_EQ(ReadBytes(IniPath()), "[System]\r\nDefaultMusicPath=" + Downloads() + "\r\n");
}

TEST_F(SettingsFixture, AGivenDefaultDownloadFolderIsMadeAndWritten) {
  const std::filesystem::path given = dir / "xdg/Downloads/Vexon";
  SettingsStore xdgStore(profile, dir.path(), given);
  xdgStore.LoadSettings(settings, lists);
  EXPECT_EQ(settings.DefaultMusicPath, given.string() + "/");
  EXPECT_TRUE(std::filesystem::is_directory(given));
  EXPECT_FALSE(std::filesystem::exists(dir / "Downloads"));
}

TEST_F(SettingsFixture, HandEditedValuesAreBroughtIntoTheDialogRanges) {
  struct RangeCase {
    const char* system;
    const char* historyMax;
    const char* logMax;
    unsigned threads, speed, historyItems, logItems;
    bool titleDown;
  };
  const std::vector<RangeCase> cases = {
      {"MaxDownloadThreads=0\r\nMaxDownloadSpeed=5000\r\nTitleDown=7", "0", "10", 1, 1000, 5, 50, true},
      {"MaxDownloadThreads=99\r\nMaxDownloadSpeed=-3\r\nTitleDown=0", "100", "999", 10, 0, 20, 200, false},
      {"MaxDownloadThreads=abc\r\nMaxDownloadSpeed=\r\nTitleDown=", "x", "", 1, 0, 5, 200, true},
      {"MaxDownloadThreads=7\r\nMaxDownloadSpeed=250\r\nTitleDown=1", "12", "120", 7, 250, 12, 120, true}};
  for (const RangeCase& c : cases) {
    WriteIni(std::string("[System]\r\n") + c.system + "\r\n[SearchTextHistory]\r\nMaxItems=" + c.historyMax +
             "\r\n[Mp3_completed]\r\nMaxItems=" + c.logMax + "\r\n");
    Load();
    EXPECT_EQ(settings.MaxDownloadThreads, c.threads) << c.system;
    EXPECT_EQ(settings.MaxDownloadSpeed.load(), c.speed) << c.system;
    EXPECT_EQ(settings.SearchHistoryMaxItems, c.historyItems) << c.historyMax;
    EXPECT_EQ(settings.CompletedMaxItems, c.logItems) << c.logMax;
    EXPECT_EQ(settings.TitleDown, c.titleDown) << c.system;
    AppSettings early;
    store.ReadMaxDownloadThreads(early);
    EXPECT_EQ(early.MaxDownloadThreads, c.threads) << c.system;
  }
}

TEST_F(SettingsFixture, CompletedLogLoadsExistingFilesOnlyUpToItsMaximum) {
  std::filesystem::create_directory(dir / "下载");
  const std::string folder = (dir / "下载").string() + "/";
  WriteBytes(folder + "稻香.mp3", "12345");
  WriteBytes(folder + "noextension", "");
  WriteIni("[Mp3_completed]\r\nItem0=" + folder + "稻香.mp3\r\nItem1=" + folder + "gone.mp3\r\nItem2=" + folder +
           "noextension\r\nItem3=\r\nItem4=" + folder + "稻香.mp3\r\n");
  Load();
  ASSERT_EQ(lists.completed.size(), 2u);
  EXPECT_EQ(lists.completed[0].path, folder + "稻香.mp3");
  EXPECT_EQ(lists.completed[0].size, 5u);
  EXPECT_EQ(lists.completed[1].path, folder + "noextension");

  std::string ini = "[Mp3_completed]\r\nMaxItems=50\r\n";
  for (int i = 0; i < 60; ++i) {
    WriteBytes(dir / Format("f%d.mp3", i), "x");
    ini += Format("Item%d=%s\r\n", i, (dir / Format("f%d.mp3", i)).c_str());
  }
  WriteIni(ini);
  Load();
  ASSERT_EQ(lists.completed.size(), 50u);
  EXPECT_EQ(lists.completed[49].path, (dir / "f49.mp3").string());
}

TEST_F(SettingsFixture, SaveCompletedLogAlwaysWritesTwoHundredKeys) {
  settings.CompletedMaxItems = 150;
  ASSERT_TRUE(store.SaveCompletedLog({"/m/zeta.mp3", "/m/歌.mp3", "/m/a\nb.mp3"}, {}, settings));
  const auto file = profile.Read();
  EXPECT_EQ(file->GetString("Mp3_completed", "Item0", "?", 256), "/m/zeta.mp3");
  EXPECT_EQ(file->GetString("Mp3_completed", "Item1", "?", 256), "/m/歌.mp3");
  // A line break cannot stop the list from being written.
  EXPECT_EQ(file->GetString("Mp3_completed", "Item2", "?", 256), "/m/a b.mp3");
  for (int i = 3; i < 200; ++i) {
    EXPECT_EQ(file->GetString("Mp3_completed", Format("Item%d", i), "?", 256), "") << i;
  }
  EXPECT_EQ(file->GetString("Mp3_completed", "Item200", "?", 256), "?");
  EXPECT_EQ(file->GetInt("Mp3_completed", "MaxItems", 0), 150u);
  // 200 items, MaxItems and the header.
  EXPECT_EQ(file->lineCount(), 202u);
}

// Two processes on one settings file (the window and vexon-cli): each keeps what the
// other added to the log since, and drops only what it removed itself.
TEST_F(SettingsFixture, TwoProcessesWritingTheLogKeepEachOthersEntries) {
  Profile otherProfile(IniPath());
  SettingsStore other(otherProfile, dir.path());
  const auto logged = [&] {
    std::vector<std::string> paths;
    for (int i = 0; i < 200; ++i) {
      std::string path = profile.Read()->GetString("Mp3_completed", Format("Item%d", i), "", 256);
      if (!path.empty()) paths.push_back(path);
    }
    return paths;
  };
  using Paths = std::vector<std::string>;
  settings.CompletedMaxItems = 4;
  ASSERT_TRUE(store.SaveCompletedLog({"/a1", "/a2"}, {}, settings));
  ASSERT_TRUE(other.SaveCompletedLog({"/b1"}, {}, settings));  // never loaded the log
  EXPECT_EQ(logged(), (Paths{"/a1", "/a2", "/b1"}));
  ASSERT_TRUE(store.SaveCompletedLog({"/a2", "/a3"}, {"/a1"}, settings));
  EXPECT_EQ(logged(), (Paths{"/a2", "/b1", "/a3"}));
  // Beyond the maximum the oldest go, whoever wrote them.
  ASSERT_TRUE(other.SaveCompletedLog({"/b1", "/b2", "/b3"}, {}, settings));
  EXPECT_EQ(logged(), (Paths{"/b1", "/a3", "/b2", "/b3"}));
  EXPECT_EQ(MergeCompletedPaths({"/x", "/w", "/x"}, {"/y"}, {"/v", "/y", "/x", "/z"}, 10),
            (Paths{"/v", "/x", "/z", "/w"}));
}

TEST_F(SettingsFixture, UnfinishedDownloadsComeWithTheirPartialFilesButNeverAsTheProgramsSections) {
  std::filesystem::create_directory(dir / "x");
  const std::string path = (dir / "x" / "song.mp3").string();
  WriteBytes(path + ".grb", std::string(250, 'b'));
  WriteIni(
      "[System]\r\nTitleDown=1\r\n[SearchTextHistory]\r\n[Mp3_completed]\r\n[Mp3_adv]\r\n[]\r\n"
      "[SYSTEM]\r\n[mp3_ADV]\r\n[" +
      path +
      "]\r\nURL=http://h/song.mp3\r\nSize=1000\r\n"
      "[/m/a.mp3]\r\nURL=u1\r\n[/M/A.MP3]\r\nURL=u2\r\n");
  Load();
  // Of two names that differ in case, the first.
  EXPECT_EQ(Records(), (std::vector<std::string>{path + "|http://h/song.mp3|1000|250", "/m/a.mp3|u1||0"}));
}

TEST_F(SettingsFixture, WriteDownloadRecordRefusesWhatWouldHarmTheFile) {
  WriteIni("[System]\r\nTitleDown=0\r\n");
  const std::string before = ReadBytes(IniPath());
  EXPECT_FALSE(store.WriteDownloadRecord("/m/a.mp3", "u", "1", 3));
  EXPECT_FALSE(store.WriteDownloadRecord("System", "u", "1", kWriteDownloadRecord));
  EXPECT_FALSE(store.WriteDownloadRecord("system", "", "", kRemoveDownloadRecord));
  EXPECT_FALSE(store.WriteDownloadRecord("/m/long.mp3", "http://h/" + std::string(kMaxRecordUrlBytes, 'u'), "1",
                                         kWriteDownloadRecord));
  EXPECT_FALSE(store.WriteDownloadRecord("/m/a.mp3", "u\r\nSize=1", "1", kWriteDownloadRecord));
  EXPECT_EQ(ReadBytes(IniPath()), before);
}

// The window's place reads whole or not at all, and reading never writes.
TEST_F(SettingsFixture, TheWindowsPlaceReadsOnlyFromWholeNumbersInRange) {
  const std::string good = "Left=-1200\r\nTop=20\r\nWidth=900\r\nHeight=640\r\nMaximized=1\r\n";
  WriteIni("[Window]\r\n" + good);
  EXPECT_EQ(store.ReadWindowPlacement(), (WindowPlacement{-1200, 20, 900, 640, true}));
  for (const std::string bad : {"Left=x\r\n", "Width=0\r\n", "Height=-5\r\n", "Top=100001\r\n",
                                "Width=99999999999999999999\r\n", "Maximized=2\r\n", "Left=12px\r\n"}) {
    WriteIni("[Window]\r\n" + bad + good);
    const std::string before = ReadBytes(IniPath());
    EXPECT_EQ(store.ReadWindowPlacement(), std::nullopt) << bad;
    EXPECT_EQ(ReadBytes(IniPath()), before);
  }
  WriteIni("[Window]\r\nLeft=1\r\n");
  EXPECT_EQ(store.ReadWindowPlacement(), std::nullopt);
  ASSERT_TRUE(store.SaveWindowPlacement({5, 6, 700, 500, false}));
  EXPECT_EQ(store.ReadWindowPlacement(), (WindowPlacement{5, 6, 700, 500, false}));
  Load();
  EXPECT_TRUE(lists.downloads.empty());
}

// A file as the original program left it on its platform: GBK bytes, CR LF,
// backslash paths.
TEST_F(SettingsFixture, AFileFromTheOriginalPlatformReads) {
  const std::string gbk =
      "[System]\r\n"
      "DefaultMusicPath=D:\\\xD2\xF4\xC0\xD6\\\r\n"  // D:\音乐\ .
      "TitleDown=0\r\n"
      "MaxDownloadThreads=5\r\n"
      "MaxDownloadSpeed=100\r\n"
      "[SearchTextHistory]\r\n"
      "ItemText0=\xD6\xDC\xBD\xDC\xC2\xD7\r\n"  // 周杰伦
      "ItemText1=Moon\r\n"
      "MaxItems=10\r\n"
      "[Mp3_completed]\r\n"
      "Item0=D:\\\xD2\xF4\xC0\xD6\\a.mp3\r\n"
      "Item1=\r\n"
      "MaxItems=200\r\n"
      "[D:\\\xD2\xF4\xC0\xD6\\\xC6\xDF\xC0\xEF\xCF\xE3.mp3]\r\n"  // D:\音乐\七里香.mp3
      "URL=http://h/qlx.mp3\r\n"
      "Size=1000\r\n";
  WriteBytes(IniPath(), gbk);
  Load();
  EXPECT_FALSE(settings.TitleDown);
  EXPECT_EQ(settings.MaxDownloadThreads, 5u);
  EXPECT_EQ(settings.MaxDownloadSpeed.load(), 100u);
  EXPECT_EQ(lists.history, (std::vector<std::string>{"周杰伦", "Moon"}));
  EXPECT_TRUE(lists.completed.empty());  // no such file here
  EXPECT_EQ(Records(), std::vector<std::string>{"D:\\音乐\\七里香.mp3|http://h/qlx.mp3|1000|0"});
  // Not a folder here: replaced, and the rest of the file stays as it was.
  EXPECT_EQ(settings.DefaultMusicPath, Downloads());
  const std::string after = ReadBytes(IniPath());
  EXPECT_NE(after.find("[D:\\\xD2\xF4\xC0\xD6\\\xC6\xDF\xC0\xEF\xCF\xE3.mp3]\r\nURL=http://h/qlx.mp3\r\n"),
            std::string::npos);
  EXPECT_NE(after.find("ItemText0=\xD6\xDC\xBD\xDC\xC2\xD7\r\n"), std::string::npos);
}

TEST(StoredPath, SplitsAtTheLastSlashOrElseBackslash) {
  struct PathCase {
    const char* path;
    const char* name;
    const char* folder;
    const char* type;
  };
  const std::vector<PathCase> cases = {{"/m/a.b/song.mp3", "song.mp3", "/m/a.b/", "mp3"},
                                       {"/m/a.b/song", "song", "/m/a.b/", "b/song"},
                                       {"D:\\x\\song.mp3", "song.mp3", "D:\\x\\", "mp3"},
                                       {"/m/a\\b.mp3", "a\\b.mp3", "/m/", "mp3"},
                                       {"song", "song", "", "song"}};
  for (const PathCase& c : cases) {
    EXPECT_EQ(FileNameOfPath(c.path), c.name) << c.path;
    EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
    EXPECT_EQ(TypeOfPath(c.path), c.type) << c.path;
  }
}

ListTable ThreeResults() {
  ListTable results(core::kResultsColumns);
  results.AppendRow({"0", "b.mp3", "mp3", "300", "01/02/2008", "月亮代表我的心", "http://h/b.mp3"});
  results.AppendRow({"1", "a.wma", "wma", "1000", "12/31/2007", "Moon", "http://h/a.wma"});
  results.AppendRow({"2", "c.mp3", "mp3", "20", "06/15/2009", "稻香", "http://h/c.mp3"});
  return results;
}

// A row of seven cells: those given, then empty ones.
Row Cells(std::initializer_list<std::string> first) {
  Row row(first);
  row.resize(7);
  return row;
}

TEST(ResultFileWrite, RowsGoInIndexOrderWithMarkersCrLfAndGb18030) {
  TempDir dir;
  ListTable results = ThreeResults();
  results.Sort(3, true);  // shown by size
  ASSERT_TRUE(WriteResultFile(dir / "x.msf", results));
  EXPECT_EQ(ReadBytes(dir / "x.msf"),
            Gb18030FromUtf8("0$#!b.mp3$#!mp3$#!300$#!01/02/2008$#!月亮代表我的心$#!http://h/b.mp3$#!\r\n"
                            "1$#!a.wma$#!wma$#!1000$#!12/31/2007$#!Moon$#!http://h/a.wma$#!\r\n"
                            "2$#!c.mp3$#!mp3$#!20$#!06/15/2009$#!稻香$#!http://h/c.mp3$#!\r\n"));
  // The list is still shown by size.
  EXPECT_EQ(results.sortColumn(), 3u);
  EXPECT_EQ(results.Cell(0, 1), "c.mp3");
  // Line breaks in a cell become blanks.
  ListTable odd(core::kResultsColumns);
  odd.AppendRow({"0", "a\r\nb.mp3", "mp3", "1", "", std::string("t\0x", 3), "u\n"});
  EXPECT_EQ(FormatResultFile(odd), "0$#!a  b.mp3$#!mp3$#!1$#!$#!t x$#!u $#!\r\n");
}

TEST(ResultFileRead, LinesBecomeRowsByTheReadingRules) {
  const std::string bad = "\xEF\xBF\xBD";  // U+FFFD
  const Row full = {"0", "a", "b", "c", "d", "e", "f"};
  const std::vector<std::tuple<const char*, std::string, std::vector<Row>>> cases = {
      {"a full line", "0$#!a$#!b$#!c$#!d$#!e$#!f$#!\r\n", {full}},
      {"CR CR LF", "0$#!a$#!b$#!c$#!d$#!e$#!f$#!\r\r\n", {full}},
      {"LF only, no final line end", "0$#!a$#!b$#!c$#!d$#!e$#!f$#!\n1$#!", {full, Cells({"1"})}},
      {"text after the seventh marker", "0$#!a$#!b$#!c$#!d$#!e$#!f$#!g$#!tail\r\n", {full}},
      {"a short line keeps its unterminated tail", "3$#!x.mp3$#!mp\r\n", {Cells({"3", "x.mp3", "mp"})}},
      {"no marker at all", "just text\r\n", {Cells({"just text"})}},
      {"a blank line", "\r\n", {Cells({})}},
      {"blank lines between rows", "0$#!\r\n\r\n\r\n1$#!\r\n", {Cells({"0"}), Cells({}), Cells({}), Cells({"1"})}},
      {"empty fields", "$#!$#!$#!$#!$#!$#!$#!\r\n", {Cells({})}},
      {"an empty file", "", {}},
      {"GBK text", "0$#!\xCF\xC2$#!\r\n", {Cells({"0", "下"})}},
      {"invalid bytes", "0$#!\xFF$#!\x81\r\n", {Cells({"0", bad, bad})}},
      {"a NUL", std::string("0$#!a\0b$#!\r\n", 12), {Cells({"0", "a" + bad + "b"})}}};
  for (const auto& [name, bytes, rows] : cases) EXPECT_EQ(ParseResultFile(bytes, 100), rows) << name;
}

TEST(ResultFileRead, FilesThatCannotBeReadLeaveTheListAlone) {
  TempDir dir;
  std::vector<std::vector<std::string>> results = {{"0", "kept"}};
  EXPECT_FALSE(ReadResultFile(dir / "missing.msf", results));
  EXPECT_FALSE(ReadResultFile(dir.path(), results));

  WriteBytes(dir / "huge.msf", "0$#!\r\n");
  std::filesystem::resize_file(dir / "huge.msf", kMaxResultFileBytes + 1);
  const ResultFileStatus huge = ReadResultFile(dir / "huge.msf", results);
  EXPECT_FALSE(huge);
  EXPECT_FALSE(huge.error.empty());

  // Small, but more rows than a list may hold.
  WriteBytes(dir / "rows.msf", std::string(kMaxResultRows + 1, '\n'));
  EXPECT_FALSE(ReadResultFile(dir / "rows.msf", results));

  EXPECT_TRUE(results.empty());
}

TEST(ResultFileName, DefaultNameComesFromTheKeywordInsideSearchresult) {
  const std::filesystem::path start = "/home/u/vexon";
  struct NameCase {
    std::string keyword;
    std::string name;
  };
  const std::vector<NameCase> cases = {
      {"", "1.msf"},          {"月亮代表我的心", "月亮代表我的心.msf"},     {"Moon River", "Moon River.msf"},
      {"AC/DC", "AC_DC.msf"}, {"../../etc/passwd", ".._.._etc_passwd.msf"}, {"..", "...msf"}};
  for (const NameCase& c : cases) {
    const std::filesystem::path path = DefaultResultFileName(start, c.keyword);
    EXPECT_EQ(path, start / "searchresult" / c.name) << c.keyword;
    EXPECT_EQ(path.parent_path(), start / "searchresult") << c.keyword;
  }
}

TEST(ResultFileName, ALongKeywordIsCutOnAWholeCharacter) {
  std::string keyword;
  for (int i = 0; i < 100; ++i) keyword += "音";  // 300 bytes
  const std::string name = DefaultResultFileName("/s", keyword).filename().string();
  EXPECT_LE(name.size(), 255u);
  EXPECT_TRUE(text::EndsWith(name, ".msf"));
  EXPECT_EQ(text::SanitizeUtf8(name), name);
  EXPECT_EQ(name, keyword.substr(0, 249) + ".msf");
}

TEST(ResultFileName, KeywordIsTheFileNameWithEveryMsfRemoved) {
  struct KeywordCase {
    const char* path;
    const char* keyword;
  };
  const std::vector<KeywordCase> cases = {{"/a/b/月亮.msf", "月亮"},
                                          {"x.msf.msf", "x"},
                                          {"a.msfb.msf", "ab"},
                                          {"/a.msf/song.MSF", "song.MSF"},
                                          {"plain", "plain"}};
  for (const KeywordCase& c : cases) EXPECT_EQ(KeywordFromResultFileName(c.path), c.keyword) << c.path;
}

}  // namespace
}  // namespace vexon::storage
