#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hotwords/word_list.h"
#include "support/test_files.h"
#include "text/encoding.h"

using namespace vexon;
using hotwords::CategoryLetterIndex;
using hotwords::ParseWordList;
using hotwords::ReadWordList;
using hotwords::SplitEntry;
using hotwords::WordList;
using vexon::testing::TempDir;
using vexon::testing::WriteBytes;

namespace {

// The page as the site sends it: GB18030 bytes.
WordList Parse(const std::string& utf8) {
  return ParseWordList(text::Gb18030FromUtf8(utf8));
}

const std::vector<std::string>& Letter(const WordList& list, char letter) {
  return list.entries.at(static_cast<size_t>(letter - 'A'));
}

}  // namespace

TEST(WordList, CategoryLinesAmongTheFirst26LinesOnly) {
  std::string page = "A--新歌速递\r\nB--热门歌手\r\n";
  for (int i = 0; i < 20; ++i) page += "filler\r\n";
  page += "  C--经典老歌  \r\n";  // line 23, trimmed
  page += "\r\n\r\n\r\n";         // lines 24-26
  page += "D--不算\r\n";          // line 27: too far down
  EXPECT_EQ(Parse(page).categories, (std::vector<std::string>{"A--新歌速递", "B--热门歌手", "C--经典老歌"}));
}

TEST(WordList, WordLinesAnywhereInFileOrderPerLetter) {
  std::string page = "A--新歌\nB--歌手\n";
  for (int i = 0; i < 40; ++i) page += "x\n";
  page += "B|||周杰伦|||七里香\nA|||千里之外|||周杰伦\nB|||刀郎\n B|||不算\nb|||不算\nB||不算\n";
  const WordList list = Parse(page);
  EXPECT_EQ(Letter(list, 'A'), std::vector<std::string>({"千里之外|||周杰伦"}));
  EXPECT_EQ(Letter(list, 'B'), std::vector<std::string>({"周杰伦|||七里香", "刀郎"}));
  for (char c = 'C'; c <= 'Z'; ++c) EXPECT_TRUE(Letter(list, c).empty()) << c;
}

TEST(WordList, LoneCarriageReturnsEndLinesAndCountTowardsThe26) {
  std::string page;
  for (int i = 0; i < 25; ++i) page += "\r";
  page += "A--last\rB--late\r";
  EXPECT_EQ(ParseWordList(page).categories, std::vector<std::string>({"A--last"}));
}

TEST(WordList, DecodesGb18030AndNeverSplitsInsideACharacter) {
  // "亅" is 81 7C in GBK: its second byte is a "|", which must not make a separator.
  const WordList list = ParseWordList("A|||\x81\x7C||x\r\nA|||\xB8\xE8|||\xD6\xD0\r\n");
  ASSERT_EQ(Letter(list, 'A').size(), 2u);
  EXPECT_EQ(SplitEntry(Letter(list, 'A')[0]), std::make_pair(std::string("亅||x"), std::string("-")));
  EXPECT_EQ(SplitEntry(Letter(list, 'A')[1]), std::make_pair(std::string("歌"), std::string("中")));
}

TEST(WordList, JunkGivesADefinedResult) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 131) & 0xFF));
  const WordList list = ParseWordList(junk);
  for (const std::string& c : list.categories) EXPECT_EQ(text::SanitizeUtf8(c), c);
  for (const auto& entries : list.entries) {
    for (const std::string& e : entries) {
      EXPECT_EQ(text::SanitizeUtf8(e), e);
      EXPECT_EQ(e.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
    }
  }
  EXPECT_TRUE(ParseWordList("").empty());
  EXPECT_TRUE(ParseWordList("\xFF\xFE\x80").empty());
}

TEST(WordList, SplitEntryAtTheFirstSeparator) {
  EXPECT_EQ(SplitEntry("a|||b"), std::make_pair(std::string("a"), std::string("b")));
  EXPECT_EQ(SplitEntry("a|||b|||c"), std::make_pair(std::string("a"), std::string("b|||c")));
  EXPECT_EQ(SplitEntry("不得不爱"), std::make_pair(std::string("不得不爱"), std::string("-")));
  EXPECT_EQ(SplitEntry("|||r"), std::make_pair(std::string(""), std::string("r")));
  EXPECT_EQ(SplitEntry("a||b"), std::make_pair(std::string("a||b"), std::string("-")));
}

// The local file is read whole up to the size limit; a bigger one or a folder is no list.
TEST(WordList, ReadsTheLocalFile) {
  TempDir dir;
  const std::filesystem::path file = dir / hotwords::kWordListFile;
  EXPECT_FALSE(ReadWordList(file).has_value());
  WriteBytes(file, text::Gb18030FromUtf8("B--歌手\r\nB|||王菲|||暗香\r\n"));
  std::optional<WordList> list = ReadWordList(file);
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(list->categories, std::vector<std::string>({"B--歌手"}));
  EXPECT_EQ(Letter(*list, 'B'), std::vector<std::string>({"王菲|||暗香"}));
  std::filesystem::create_directory(dir / "folder");
  EXPECT_FALSE(ReadWordList(dir / "folder").has_value());
  std::string big = "A--x\r\nA|||y\r\n";
  big.resize(hotwords::kMaxWordListBytes + 1, '\n');
  WriteBytes(file, big);
  EXPECT_FALSE(ReadWordList(file).has_value());
  big.resize(hotwords::kMaxWordListBytes);
  WriteBytes(file, big);
  list = ReadWordList(file);
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(Letter(*list, 'A'), std::vector<std::string>({"y"}));
}
