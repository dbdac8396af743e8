#include "search/search_options_form.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace vexon::search {
namespace {

using namespace std::chrono_literals;

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
      {{{kControlEditAbove, "x"}, {kControlEditBelow, "x"}}, kControlEditBelow},
  };
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
