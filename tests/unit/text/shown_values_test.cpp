#include <gtest/gtest.h>

#include "text/shown_values.h"

#include <string>
#include <vector>

using namespace vexon::text;

namespace {

struct Case {
  std::string cell;
  std::string shown;
};

}  // namespace

TEST(ShownValues, SizesInUnitsOfPeopleAndTheirExactDigits) {
  const std::vector<Case> sizes = {
      {"0", "0 B"},
      {"1023", "1023 B"},
      {"1024", "1.0 KB"},
      {"534528", "522.0 KB"},
      {"1048575", "1.0 MB"},  // rounds to 1024 KB: one of the next unit
      {"6075944", "5.8 MB"},
      {"5368709120", "5.0 GB"},
      {"9223372036854775808", "8589934592.0 GB"},
      {"18446744073709551615", "17179869184.0 GB"},
      // Not a byte count: shown as the cell stands.
      {"18446744073709551616", ""},
      {"", ""},
      {"-1", ""},
      {"12 KB", ""},
  };
  for (const Case& c : sizes) EXPECT_EQ(SizeForPeople(c.cell), c.shown) << c.cell;
  EXPECT_EQ(GroupedDigits("6075944"), "6,075,944");
  EXPECT_EQ(GroupedDigits("534528"), "534,528");
  EXPECT_EQ(GroupedDigits("0"), "0");
  EXPECT_EQ(GroupedDigits("x1"), "");
}

TEST(ShownValues, DatesInYearMonthDayOrder) {
  const std::vector<Case> dates = {
      {"07/04/2017", "2017/7/4"}, {"12/31/2026", "2026/12/31"},
      {"1/2/1999", "1999/1/2"},   {"13/01/2017", ""},
      {"07/04/17", ""},           {"2017/7/4", ""},
      {"07/32/2017", ""},         {"", ""},
      {"a/b/cdef", ""},
  };
  for (const Case& c : dates) EXPECT_EQ(DateForPeople(c.cell), c.shown) << c.cell;
}

TEST(ShownValues, UrlsDecodedWhereALetterIsSpelledAndEscapedWhereNothingShows) {
  const std::vector<Case> urls = {
      {"http://a/%E4%BD%95%E6%97%A5.mp3", "http://a/何日.mp3"},
      {"http://a/b c.mp3", "http://a/b c.mp3"},
      // ASCII escapes may be delimiters; a broken sequence stays escaped.
      {"http://a/x%2Fy%3F%25.mp3", "http://a/x%2Fy%3F%25.mp3"},
      {"http://a/%E4%BD.mp3", "http://a/%E4%BD.mp3"},
      {"http://a/%zz%4", "http://a/%zz%4"},
      // Direction and invisible characters, escaped or raw, and controls.
      {"http://a/%E2%80%AEpm3.exe", "http://a/%E2%80%AEpm3.exe"},
      {"http://a/\xE2\x80\xAE"
       "3pm.exe",
       "http://a/%E2%80%AE3pm.exe"},
      {"http://a/%E2%80%8B\xE3\x80\x80", "http://a/%E2%80%8B%E3%80%80"},
      {"http://a/\x01\x7F%0A", "http://a/%01%7F%0A"},
      {"http://a/\xFF"
       "b",
       "http://a/%FFb"},
  };
  for (const Case& c : urls) EXPECT_EQ(UrlForPeople(c.cell), c.shown) << c.cell;
}

TEST(ShownValues, MiddleCutKeepsBothEndsAndWholeLetters) {
  EXPECT_EQ(MiddleCut("short.mp3", 20), "short.mp3");
  EXPECT_EQ(MiddleCut("abcdefghij.mp3", 9), "abc…mp3");
  const std::string title(100000, 'x');
  const std::string cut = MiddleCut(title + "何日君再来.mp3", 1024);
  EXPECT_LE(cut.size(), 1024u);
  EXPECT_EQ(cut.substr(cut.size() - 19), "何日君再来.mp3");
  // A cut inside a letter moves to its edge.
  const std::string chinese = MiddleCut("何日君再来何日君再来", 13);
  EXPECT_EQ(chinese, "何…来");
}
