#include "search/search_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexon::search {
namespace {

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

}  // namespace
}  // namespace vexon::search
