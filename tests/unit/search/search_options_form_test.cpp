#include "search/search_options_form.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <vector>

namespace vexon::search {
namespace {

using std::chrono::year_month_day;

year_month_day Ymd(int y, unsigned m, unsigned d) {
  return {std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}};
}

// A leap year: 365 days back from here is 3/2, not 3/1.
const year_month_day kToday = Ymd(2024, 3, 1);
constexpr std::array<DatePicker, 4> kPickers = {DatePicker::kBefore, DatePicker::kAfter,
                                                DatePicker::kRangeFrom, DatePicker::kRangeTo};
constexpr std::array<SizeEdit, 4> kEdits = {SizeEdit::kBelow, SizeEdit::kAbove,
                                            SizeEdit::kRangeLow, SizeEdit::kRangeHigh};
const std::string kDefaultPickers = "3/1/2024 3/2/2023 3/2/2023 3/1/2024";
const std::string kDefaultEdits = "1024 1024 0 5120";

// Radios, then pickers 1071 1064 1065 1066 and edits 1067 1068 1069 1070 with
// "+" marking the enabled ones, then the result limit.
std::string State(const SearchOptionsForm& form) {
  std::string s = std::to_string(static_cast<int>(form.SelectedDate())) + " " +
                  std::to_string(static_cast<int>(form.SelectedSize())) + " |";
  for (DatePicker p : kPickers) {
    s += " " + FilterDateText(form.PickerDate(p)) + (form.IsEnabled(p) ? "+" : "");
  }
  s += " |";
  for (SizeEdit e : kEdits) s += " " + form.EditText(e) + (form.IsEnabled(e) ? "+" : "");
  return s + " | " + form.ResultLimitText();
}

std::string CheckedTypes(const SearchOptionsForm& form) {
  std::string on;
  for (const FileTypeInfo& info : kFileTypes) {
    if (form.IsTypeChecked(info.type)) on += (on.empty() ? "" : " ") + std::string(info.name);
  }
  return on;
}

TEST(SearchOptionsForm, LoadReselectsRadiosAndReadableValues) {
  struct Case {
    std::string date, size, state;
  };
  const std::vector<Case> cases = {
      {"", "", "1025 1023 | " + kDefaultPickers + " | " + kDefaultEdits + " | 9"},
      {"0", "9|7", "1025 1023 | " + kDefaultPickers + " | " + kDefaultEdits + " | 9"},
      {"1|1/2/2020", "1|300",
       "1024 1060 | 1/2/2020+ 3/2/2023 3/2/2023 3/1/2024 | 300+ 1024 0 5120 | 9"},
      {"2|12/31/1999", "2| 0042",
       "1026 1061 | 3/1/2024 12/31/1999+ 3/2/2023 3/1/2024 | 1024 42+ 0 5120 | 9"},
      {"3|02/09/2021|1/5/2020", "3|0|5120",
       "1027 1062 | 3/1/2024 3/2/2023 2/9/2021+ 1/5/2020+ | 1024 1024 0+ 5120+ | 9"},
      // Unreadable values keep that picker's or edit's default.
      {"1|abc", "1|abc",
       "1024 1060 | 3/1/2024+ 3/2/2023 3/2/2023 3/1/2024 | 1024+ 1024 0 5120 | 9"},
      {"2|2/30/2020", "2|",
       "1026 1061 | 3/1/2024 3/2/2023+ 3/2/2023 3/1/2024 | 1024 1024+ 0 5120 | 9"},
      {"3|13/1/2020|2/3/2021", "3|7|zz",
       "1027 1062 | 3/1/2024 3/2/2023 3/2/2023+ 2/3/2021+ | 1024 1024 7+ 5120+ | 9"},
      {"3|2020-1-2", "3|x|9",
       "1027 1062 | 3/1/2024 3/2/2023 3/2/2023+ 3/1/2024+ | 1024 1024 0+ 9+ | 9"},
      // Out of range is shown as it stands, so OK refuses it rather than changing it.
      {"1", "2|2000000",
       "1024 1061 | 3/1/2024+ 3/2/2023 3/2/2023 3/1/2024 | 1024 2000000+ 0 5120 | 9"},
  };
  for (const Case& c : cases) {
    SearchOptions options;
    options.types = {false, true, false, false, false, false, true,
                     false, true, false, false, true, false, true};
    options.dateFilter = c.date;
    options.sizeFilter = c.size;
    options.maxResults = 9;
    SearchOptionsForm form(kToday);
    // Leftovers from earlier use must not survive a load.
    form.SelectAll();
    form.SetEditText(SizeEdit::kRangeHigh, "1");
    ASSERT_TRUE(form.SetPickerDate(DatePicker::kAfter, Ymd(2001, 1, 1)));
    form.Load(options);
    EXPECT_EQ(State(form), c.state) << c.date << " " << c.size;
    EXPECT_EQ(CheckedTypes(form), "rm mpeg wav ra asf");
  }
}

TEST(SearchOptionsForm, AcceptBuildsFiltersFromTheSelectedRadios) {
  struct Case {
    DateChoice date;
    SizeChoice size;
    std::array<std::string, 4> edits;
    std::string limit, dateFilter, sizeFilter;
    uint32_t maxResults;
  };
  const std::vector<Case> cases = {
      {DateChoice::kAny, SizeChoice::kAny, {"1", "2", "3", "4"}, "0", "", "", 0},
      {DateChoice::kBefore, SizeChoice::kBelow, {" 007 ", "2", "3", "4"}, "50", "1|3/1/2024",
       "1|7", 50},
      {DateChoice::kAfter, SizeChoice::kAbove, {"1", "200", "3", "4"}, "1000000", "2|1/9/2023",
       "2|200", 1000000},
      {DateChoice::kRange, SizeChoice::kRange, {"1", "2", "5120", "0"}, "7",
       "3|12/25/2020|2/3/2021", "3|0|5120", 7},
      {DateChoice::kRange, SizeChoice::kRange, {"1", "2", "3", "4"}, "0",
       "3|12/25/2020|2/3/2021", "3|3|4", 0},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SearchOptionsForm form(kToday);
    // The range pickers hold the later date first; the filter must put the earlier first.
    ASSERT_TRUE(form.SetPickerDate(DatePicker::kAfter, Ymd(2023, 1, 9)));
    ASSERT_TRUE(form.SetPickerDate(DatePicker::kRangeFrom, Ymd(2021, 2, 3)));
    ASSERT_TRUE(form.SetPickerDate(DatePicker::kRangeTo, Ymd(2020, 12, 25)));
    for (size_t k = 0; k < kEdits.size(); ++k) form.SetEditText(kEdits[k], c.edits[k]);
    form.SelectDate(c.date);
    form.SelectSize(c.size);
    form.SetResultLimitText(c.limit);
    form.SetTypeChecked(FileType::kWav, true);
    SearchOptions out;
    out.dateFilter = out.sizeFilter = "stale";
    const AcceptResult result = form.Accept(out);
    ASSERT_TRUE(result.accepted) << i;
    EXPECT_EQ(result.invalidControl, 0) << i;
    EXPECT_EQ(out.dateFilter + " " + out.sizeFilter, c.dateFilter + " " + c.sizeFilter) << i;
    EXPECT_EQ(out.maxResults, c.maxResults) << i;
    EXPECT_EQ(out.types, (std::array<bool, kFileTypeCount>{false, false, false, false, false,
                                                           false, false, false, true}))
        << i;
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
      {{{kControlEditBelow, "0"}, {kControlEditRangeHigh, "1000000"},
        {kControlResultLimit, "1000000"}}, 0},
      {{{kControlResultLimit, "x"}, {kControlEditRangeHigh, "x"}}, kControlEditRangeHigh},
      {{{kControlEditAbove, "x"}, {kControlEditBelow, "x"}}, kControlEditBelow},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SearchOptionsForm form(kToday);
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
