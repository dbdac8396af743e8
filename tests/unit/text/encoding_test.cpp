#include <gtest/gtest.h>

#include "text/encoding.h"
#include "text/strings.h"

#include <string>
#include <vector>

using namespace vexon::text;

namespace {

const std::string R = "\xEF\xBF\xBD";  // U+FFFD, the replacement character

}  // namespace

TEST(Encoding, Gb18030SequencesOfEveryLengthAndTheirFaults) {
  struct Case {
    std::string gb;
    std::string utf8;
  };
  const std::vector<Case> both = {{"\xCF\xC2\xD2\xBB\xD2\xB3", "下一页"},    // GBK bytes
                                  {"\x95\x32\x82\x36", "\xF0\xA0\x80\x80"},  // U+20000, four bytes
                                  {"\x94\x39\xFC\x36", "\xF0\x9F\x98\x80"},  // U+1F600
                                  {"\xA2\xE3", "€"},
                                  {"\xA1\xA4", "\xC2\xB7"}};
  for (const Case& c : both) {
    EXPECT_EQ(Utf8FromGb18030(c.gb), c.utf8);
    EXPECT_EQ(Gb18030FromUtf8(c.utf8), c.gb);
  }
  const std::string mixed = "月亮代表我的心 – 下一页 \xF0\x9F\x8E\xB5";
  EXPECT_EQ(Utf8FromGb18030(Gb18030FromUtf8(mixed)), mixed);
  // Cut or broken sequences lose a byte at a time, never the text after them.
  const std::vector<Case> faults = {{"\x95\x32\x82", R + "2" + R},
                                    {"\x95\x32", R + "2"},
                                    {"\x81 a", R + " a"},
                                    {"\x80" + std::string("b"), R + "b"},
                                    {"a\xFF" + std::string("b"), "a" + R + "b"},
                                    {"ab\xCF", "ab" + R}};
  for (const Case& c : faults) EXPECT_EQ(Utf8FromGb18030(c.gb), c.utf8) << c.utf8;
  EXPECT_EQ(SanitizeUtf8("x\xC3"), "x" + R);
  EXPECT_EQ(SanitizeUtf8("\xED\xA0\x80"), R + R + R);
  // Invalid UTF-8 goes out as the replacement character's GB18030 form.
  EXPECT_EQ(Gb18030FromUtf8("a\xFF" + std::string("b")), "a\x84\x31\xA4\x37" + std::string("b"));
}

TEST(Encoding, CharsetLabelsInAnyForm) {
  for (const char* label : {"gb2312", "GB2312", "Gbk", "GB18030", "", "x-unknown"}) {
    EXPECT_EQ(DecodeCharset("\xD6\xD0", label), "中") << label;
  }
  EXPECT_EQ(DecodeCharset("中", "utf-8"), "中");
  EXPECT_EQ(DecodeCharset("\xE4\xB8", "UTF-8"), R + R);
  EXPECT_EQ(DecodeCharset("caf\xE9", "iso-8859-1"), "café");
}

TEST(Strings, FoldsOnlyAsciiLettersTrimsAndParsesNumbers) {
  EXPECT_EQ(AsciiLower("ABC下xYZ\xC3\x80"), "abc下xyz\xC3\x80");
  EXPECT_TRUE(EqualsNoCase("Mp3", "mP3"));
  EXPECT_FALSE(EqualsNoCase("\xC3\x80", "\xC3\xA0"));
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(LeadingInt("  -42abc"), -42);
  EXPECT_EQ(LeadingInt("x1"), 0);
  EXPECT_EQ(LeadingDigits("99999999999999999999999"), UINT64_MAX);
  EXPECT_EQ(Format("正在检测数:%d", 2), "正在检测数:2");
  EXPECT_EQ(ReplaceAll("a%20b%20", "%20", " "), "a b ");
  EXPECT_EQ(Split("a|||b|||", "|||"), (std::vector<std::string>{"a", "b", ""}));
}
