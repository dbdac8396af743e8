#include "search/search_options.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "search/search_options_form.h"

namespace vexon::search {
namespace {

using namespace std::chrono_literals;

TEST(TypeFilterPasses, LooksAtLastThreeCharactersInAnyCase) {
  const SearchOptions options;
  // The tail may straddle two tokens.
  for (const char* url :
       {"http://f/SONG.MP3", "http://f/a.rm", "http://f/a.wma", "http://f/a.swf", "http://f/a.mp3||"}) {
    EXPECT_TRUE(TypeFilterPasses(options, url)) << url;
  }
  for (const char* url :
       {"http://f/a.wav", "http://f/a.ram", "http://f/a.ra", "http://f/a.mpeg", "http://f/a.mp3?x", "p3", ""}) {
    EXPECT_FALSE(TypeFilterPasses(options, url)) << url;
  }
  SearchOptions changed;
  changed.Set(FileType::kWav, true);
  changed.Set(FileType::kMpeg, true);
  changed.Set(FileType::kMp3, false);
  EXPECT_TRUE(TypeFilterPasses(changed, "http://f/a.WAV"));
  EXPECT_TRUE(TypeFilterPasses(changed, "http://f/a.jpeg"));  // only "peg" is seen
  EXPECT_FALSE(TypeFilterPasses(changed, "http://f/a.mp3"));
}

// The newer formats go by the whole extension: off by default, chosen by name, and
// never seen in a word that merely ends like one.
TEST(TypeFilterPasses, NewerFormatsGoByTheWholeExtension) {
  EXPECT_FALSE(TypeFilterPasses(SearchOptions(), "http://f/a.ogg"));
  SearchOptions newer;
  ASSERT_TRUE(SetTypesFromList(newer, "OGG, oga,opus,flac,m4a"));
  for (const char* url :
       {"http://f/a.ogg", "http://f/b.OGA", "http://f/disc1/c.Opus", "http://f/d.flac", "http://f/e.m4a"}) {
    EXPECT_TRUE(TypeFilterPasses(newer, url)) << url;
    EXPECT_TRUE(HasKnownTypeEnding(url)) << url;
  }
  for (const char* url : {"http://f/campus", "http://f/lilac", "http://f/a.xflac", "http://f/a.flac/x",
                          "http://f/a.flac?x=1", "http://f/a.mp3", "http://f/a.mogg", "flac"}) {
    EXPECT_FALSE(TypeFilterPasses(newer, url)) << url;
  }
  EXPECT_FALSE(HasKnownTypeEnding("http://f/campus"));
  EXPECT_FALSE(HasKnownTypeEnding("http://lilac.org/x.flac.txt"));
  // Both kinds at once.
  newer.Set(FileType::kMp3, true);
  EXPECT_TRUE(TypeFilterPasses(newer, "http://f/a.mp3"));
  EXPECT_TRUE(TypeFilterPasses(newer, "http://f/a.flac"));
  EXPECT_FALSE(SetTypesFromList(newer, "ogg,vorbis"));
}

struct FilterCase {
  std::string filter;
  std::string value;
  bool passes;
};

// A size without a number is 0 bytes; a filter value that cannot be read passes nothing.
TEST(DateSizeFilterPasses, SizeRulesAreStrictInKbOf1024BytesAndSaturate) {
  const std::vector<FilterCase> cases = {{"", "1048576", true},
                                         {"0", "1048576", true},
                                         {"1|1024", "1048575", true},
                                         {"1|1024", "1048576", false},
                                         {"2|1024", "1048576", false},
                                         {"2|1024", "1048577", true},
                                         {"3|0|5120", "5242880", true},
                                         {"3|0|5120", "5242881", false},
                                         {"3|1|2", "1023", false},
                                         {"3|1|2", "1024", true},
                                         {"1|1", "abc", true},
                                         {"2|0", "", false},
                                         {"1|1024", "99999999999999999999999", false},
                                         {"1|99999999999999999999", "1048576", true},
                                         {"2|9007199254740993", "9223372036854775807", false},
                                         {"1|abc", "1", false},
                                         {"1", "1", false},
                                         {"3|5", "5120", false},
                                         {"3||5", "1024", false}};
  for (const FilterCase& c : cases) {
    SearchOptions options;
    options.sizeFilter = c.filter;
    EXPECT_EQ(DateSizeFilterPasses(options, c.value, "06/15/2006"), c.passes) << c.filter << " " << c.value;
  }
}

// Dates compare in calendar order, month first, not as text.
TEST(DateSizeFilterPasses, DatesAreRealMonthDayYearDates) {
  SearchOptions unfiltered;
  EXPECT_FALSE(DateSizeFilterPasses(unfiltered, "", ""));
  EXPECT_FALSE(DateSizeFilterPasses(unfiltered, "100", ""));
  EXPECT_TRUE(DateSizeFilterPasses(unfiltered, "", "06/15/2006"));
  const std::vector<FilterCase> cases = {{"", "1/2/2006", true},
                                         {"", "02/29/2008", true},
                                         {"", "02/29/2006", false},
                                         {"", "02/30/2006", false},
                                         {"", "13/01/2006", false},
                                         {"", "00/10/2006", false},
                                         {"", "04/31/2006", false},
                                         {"", "2006-01-02", false},
                                         {"", "01/02/2006x", false},
                                         {"", "01//2006", false},
                                         {"", "99999999999/1/2006", false},
                                         {"1|1/2/2006", "01/01/2006", true},
                                         {"1|1/2/2006", "01/02/2006", false},
                                         {"2|1/2/2006", "01/03/2006", true},
                                         {"2|1/2/2006", "01/02/2006", false},
                                         {"1|1/1/2007", "12/31/2006", true},
                                         {"2|2/1/2006", "01/31/2006", false},
                                         {"3|1/1/2006|12/31/2006", "12/31/2006", true},
                                         {"3|1/1/2006|12/31/2006", "01/01/2007", false},
                                         {"3|1/1/2006|12/31/2006", "12/31/2005", false},
                                         {"1|13/1/2006", "01/01/2000", false},
                                         {"3|1/1/2006", "06/01/2006", false}};
  for (const FilterCase& c : cases) {
    SearchOptions options;
    options.dateFilter = c.filter;
    EXPECT_EQ(DateSizeFilterPasses(options, "1", c.value), c.passes) << c.filter << " " << c.value;
  }
}

TEST(SearchOptionsForm, AcceptRefusesAndNamesTheFirstBadEdit) {
  struct Case {
    std::vector<std::pair<int, std::string>> texts;
    int named;  // 0: accepted
  };
  const std::vector<Case> cases = {
      {{{kControlEditBelow, "-1"}}, kControlEditBelow},
      {{{kControlEditAbove, "1000001"}}, kControlEditAbove},
      {{{kControlEditRangeLow, "abc"}}, kControlEditRangeLow},
      {{{kControlEditRangeHigh, ""}}, kControlEditRangeHigh},
      {{{kControlResultLimit, "-1"}}, kControlResultLimit},
      {{{kControlResultLimit, "1000001"}}, kControlResultLimit},
      {{{kControlResultLimit, "abc"}}, kControlResultLimit},
      {{{kControlResultLimit, ""}}, kControlResultLimit},
      {{{kControlEditBelow, "1.5"}}, kControlEditBelow},
      {{{kControlEditBelow, "99999999999999999999"}}, kControlEditBelow},
      {{{kControlEditBelow, "0"}, {kControlEditRangeHigh, "1000000"}, {kControlResultLimit, "1000000"}}, 0},
      {{{kControlResultLimit, "x"}, {kControlEditRangeHigh, "x"}}, kControlEditRangeHigh},
      {{{kControlEditAbove, "x"}, {kControlEditBelow, "x"}}, kControlEditBelow}};
  for (size_t i = 0; i < cases.size(); ++i) {
    SearchOptionsForm form(2024y / 3 / 1);
    // 1067 and 1068 are disabled under "区间" and are checked all the same.
    form.SelectSize(SizeChoice::kRange);
    for (const auto& [control, text] : cases[i].texts) {
      if (control == kControlResultLimit) {
        form.SetResultLimitText(text);
      } else {
        form.SetEditText(static_cast<SizeEdit>(control), text);
      }
    }
    SearchOptions out;
    out.sizeFilter = "unchanged";
    const AcceptResult result = form.Accept(out);
    EXPECT_EQ(result.accepted, cases[i].named == 0) << i;
    EXPECT_EQ(result.invalidControl, cases[i].named) << i;
    EXPECT_EQ(out.sizeFilter, cases[i].named == 0 ? "3|0|1000000" : "unchanged") << i;
  }
}

}  // namespace
}  // namespace vexon::search
