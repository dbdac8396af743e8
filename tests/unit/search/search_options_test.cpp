#include "search/search_options.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "text/strings.h"

namespace vexon::search {
namespace {

TEST(TypeFilterPasses, LooksAtLastThreeCharactersInAnyCase) {
  const std::vector<std::pair<std::string, bool>> defaults = {
      {"http://f/SONG.MP3", true},
      {"http://f/a.rm", true},
      {"http://f/a.wma", true},
      {"http://f/a.swf", true},
      {"http://f/a.wav", false},
      {"http://f/a.ram", false},
      {"http://f/a.ra", false},
      {"http://f/a.mpeg", false},
      {"http://f/a.mp3?x", false},
      {"http://f/a.mp3||", true},  // the tail may straddle two tokens
      {"p3", false},
      {"", false},
  };
  const SearchOptions options;
  for (const auto& [url, passes] : defaults) EXPECT_EQ(TypeFilterPasses(options, url), passes) << url;

  SearchOptions changed;
  changed.Set(FileType::kWav, true);
  changed.Set(FileType::kMpeg, true);
  changed.Set(FileType::kMp3, false);
  EXPECT_TRUE(TypeFilterPasses(changed, "http://f/a.WAV"));
  EXPECT_TRUE(TypeFilterPasses(changed, "http://f/a.jpeg"));  // only "peg" is seen
  EXPECT_FALSE(TypeFilterPasses(changed, "http://f/a.mp3"));
}

struct FilterCase {
  std::string sizeFilter;
  std::string dateFilter;
  std::string size;
  std::string date;
  bool passes;
};

void ExpectFilter(const std::vector<FilterCase>& cases) {
  for (const FilterCase& c : cases) {
    SearchOptions options;
    options.sizeFilter = c.sizeFilter;
    options.dateFilter = c.dateFilter;
    EXPECT_EQ(DateSizeFilterPasses(options, c.size, c.date), c.passes)
        << "[" << c.sizeFilter << "] [" << c.dateFilter << "] [" << c.size << "] [" << c.date << "]";
  }
}

TEST(DateSizeFilterPasses, SizeRulesAreStrictInKbOf1024BytesAndSaturate) {
  const std::string d = "06/15/2006";
  ExpectFilter({
      {"", "", "1048576", d, true},
      {"0", "", "1048576", d, true},
      {"1|1024", "", "1048575", d, true},
      {"1|1024", "", "1048576", d, false},
      {"2|1024", "", "1048576", d, false},
      {"2|1024", "", "1048577", d, true},
      {"3|0|5120", "", "5242880", d, true},
      {"3|0|5120", "", "5242881", d, false},
      {"3|1|2", "", "1023", d, false},
      {"3|1|2", "", "1024", d, true},
      {"1|1", "", "abc", d, true},
      {"2|0", "", "", d, false},  // no number: 0 bytes
      {"1|1024", "", "99999999999999999999999", d, false},
      {"1|99999999999999999999", "", "1048576", d, true},
      {"2|9007199254740993", "", "9223372036854775807", d, false},
      {"1|abc", "", "1", d, false},
      {"1", "", "1", d, false},  // unreadable value
      {"3|5", "", "5120", d, false},
      {"3||5", "", "1024", d, false},
  });
}

TEST(DateSizeFilterPasses, DatesAreRealMonthDayYearDates) {
  ExpectFilter({
      {"", "", "", "", false},
      {"", "", "100", "", false},
      {"", "", "", "06/15/2006", true},
      {"", "", "1", "1/2/2006", true},
      {"", "", "1", "02/29/2008", true},
      {"", "", "1", "02/29/2006", false},
      {"", "", "1", "02/30/2006", false},
      {"", "", "1", "13/01/2006", false},
      {"", "", "1", "00/10/2006", false},
      {"", "", "1", "04/31/2006", false},
      {"", "", "1", "2006-01-02", false},
      {"", "", "1", "01/02/2006x", false},
      {"", "", "1", "01//2006", false},
      {"", "", "1", "99999999999/1/2006", false},
      {"", "1|1/2/2006", "1", "01/01/2006", true},
      {"", "1|1/2/2006", "1", "01/02/2006", false},
      {"", "2|1/2/2006", "1", "01/03/2006", true},
      {"", "2|1/2/2006", "1", "01/02/2006", false},
      {"", "1|1/1/2007", "1", "12/31/2006", true},   // calendar, not text, order
      {"", "2|2/1/2006", "1", "01/31/2006", false},  // month first
      {"", "3|1/1/2006|12/31/2006", "1", "12/31/2006", true},
      {"", "3|1/1/2006|12/31/2006", "1", "01/01/2007", false},
      {"", "3|1/1/2006|12/31/2006", "1", "12/31/2005", false},
      {"", "1|13/1/2006", "1", "01/01/2000", false},
      {"", "3|1/1/2006", "1", "06/01/2006", false},
  });
}

}  // namespace
}  // namespace vexon::search
