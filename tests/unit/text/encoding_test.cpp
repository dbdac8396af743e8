#include <gtest/gtest.h>

#include "text/encoding.h"
#include "text/strings.h"

#include <string>
#include <vector>

using namespace vexon::text;

TEST(Encoding, RoundTripsChineseThroughGb18030) {
  const std::string utf8 = "月亮代表我的心 – 下一页 \xF0\x9F\x8E\xB5";  // includes a 4-byte character
  const std::string gb = Gb18030FromUtf8(utf8);
  EXPECT_NE(gb, utf8);
  EXPECT_EQ(Utf8FromGb18030(gb), utf8);
}

TEST(Encoding, GbkBytesDecodeAsGb18030) {
  // "下一页" in GBK.
  EXPECT_EQ(Utf8FromGb18030("\xCF\xC2\xD2\xBB\xD2\xB3"), "下一页");
  EXPECT_EQ(Gb18030FromUtf8("下一页"), "\xCF\xC2\xD2\xBB\xD2\xB3");
}

TEST(Encoding, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf8FromGb18030("a\xFF"
                            "b"),
            "a\xEF\xBF\xBD"
            "b");
  // A lead byte cut off at the end of the input.
  EXPECT_EQ(Utf8FromGb18030("ab\xCF"), "ab\xEF\xBF\xBD");
  EXPECT_EQ(SanitizeUtf8("x\xC3"), "x\xEF\xBF\xBD");
  EXPECT_EQ(SanitizeUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Encoding, DeclaredCharsetsAreHonoured) {
  EXPECT_EQ(DecodeCharset("\xCF\xC2", "GB2312"), "下");
  EXPECT_EQ(DecodeCharset("\xCF\xC2", "gbk"), "下");
  EXPECT_EQ(DecodeCharset("\xCF\xC2", ""), "下");
  EXPECT_EQ(DecodeCharset("下", "UTF-8"), "下");
  EXPECT_EQ(DecodeCharset("caf\xE9", "iso-8859-1"), "café");
}

TEST(Strings, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(AsciiLower("ABC下xYZ\xC3\x80"), "abc下xyz\xC3\x80");
  EXPECT_TRUE(EqualsNoCase("Mp3", "mP3"));
  EXPECT_FALSE(EqualsNoCase("\xC3\x80", "\xC3\xA0"));
  EXPECT_EQ(FindNoCase("xx<A HREF=", "<a href="), 2u);
  EXPECT_EQ(FindNoCase("abc", "abcd"), std::string_view::npos);
  EXPECT_EQ(FindNoCase("abc", "c", 3), std::string_view::npos);
}

TEST(Strings, TrimsAndParsesNumbers) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(LeadingInt("  -42abc"), -42);
  EXPECT_EQ(LeadingInt("x1"), 0);
  EXPECT_EQ(LeadingDigits("99999999999999999999999"), UINT64_MAX);
  EXPECT_EQ(Format("正在检测数:%d", 2), "正在检测数:2");
  EXPECT_EQ(ReplaceAll("a%20b%20", "%20", " "), "a b ");
  EXPECT_EQ(Split("a|||b|||", "|||"), (std::vector<std::string>{"a", "b", ""}));
}

TEST(Encoding, Gb18030SequencesOfEveryLengthAndTheirFaults) {
  struct Case {
    std::string gb;
    std::string utf8;
  };
  const std::vector<Case> both = {
      {"\xD6\xD0", "中"},                        // two bytes
      {"\x95\x32\x82\x36", "\xF0\xA0\x80\x80"},  // U+20000, four bytes
      {"\x94\x39\xFC\x36", "\xF0\x9F\x98\x80"},  // U+1F600
      {"\xA2\xE3", "€"},
      {"\xA1\xA4", "\xC2\xB7"},
  };
  for (const Case& c : both) {
    EXPECT_EQ(Utf8FromGb18030(c.gb), c.utf8);
    EXPECT_EQ(Gb18030FromUtf8(c.utf8), c.gb);
  }
  // Cut or broken sequences lose a byte at a time, never the text after them.
  const std::vector<Case> faults = {
      {"\x95\x32\x82",
       "\xEF\xBF\xBD"
       "2\xEF\xBF\xBD"},
      {"\x95\x32",
       "\xEF\xBF\xBD"
       "2"},
      {"\x81 a", "\xEF\xBF\xBD a"},
      {"\x80"
       "b",
       "\xEF\xBF\xBD"
       "b"},
  };
  for (const Case& c : faults) EXPECT_EQ(Utf8FromGb18030(c.gb), c.utf8) << c.utf8;
  // Invalid UTF-8 goes out as the replacement character's GB18030 form.
  EXPECT_EQ(Gb18030FromUtf8("a\xFF"
                            "b"),
            "a\x84\x31\xA4\x37"
            "b");
}

TEST(Encoding, CharsetLabelsInAnyForm) {
  const std::string gb = "\xD6\xD0";
  for (const char* label : {"gb2312", "GB2312", "Gbk", "GB18030", "", "x-unknown"}) {
    EXPECT_EQ(DecodeCharset(gb, label), "中") << label;
  }
  EXPECT_EQ(DecodeCharset("中", "utf-8"), "中");
  EXPECT_EQ(DecodeCharset("\xE4\xB8", "UTF-8"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}
