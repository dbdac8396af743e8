#include "storage/result_file.h"
#include "core/list_schemas.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/column_spec.h"
#include "support/test_files.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

using core::ListTable;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using text::Gb18030FromUtf8;
using Row = std::vector<std::string>;

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
      {"a NUL", std::string("0$#!a\0b$#!\r\n", 12), {Cells({"0", "a" + bad + "b"})}},
  };
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
      {"AC/DC", "AC_DC.msf"}, {"../../etc/passwd", ".._.._etc_passwd.msf"}, {"..", "...msf"},
  };
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
  const std::vector<KeywordCase> cases = {
      {"/a/b/月亮.msf", "月亮"},       {"x.msf.msf", "x"}, {"a.msfb.msf", "ab"},
      {"/a.msf/song.MSF", "song.MSF"}, {"plain", "plain"},
  };
  for (const KeywordCase& c : cases) EXPECT_EQ(KeywordFromResultFileName(c.path), c.keyword) << c.path;
}

}  // namespace
}  // namespace vexon::storage
