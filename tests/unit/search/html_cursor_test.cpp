#include "search/html_cursor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexon::search {
namespace {

constexpr size_t npos = HtmlCursor::npos;

TEST(HtmlCursor, FindNoCaseFindsFirstOccurrenceAtOrAfterStart) {
  struct Case {
    const char* text;
    const char* pattern;
    size_t start;
    size_t expected;
  };
  const std::vector<Case> cases = {
      {"abcABC", "ABC", 1, 3},
      {"xx<A HREF=", "<a href=", 0, 2},
      {"abc", "abc", 3, npos},
      {"abc", "", 3, npos},  // start at the end, even empty
      {"abc", "", 1, 1},
      {"abc", "abcd", 0, npos},
      {"É é", "é", 0, 3},  // only ASCII letters fold
      {"下一页 下一页", "下一页", 1, 10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HtmlCursor::FindNoCase(c.text, c.pattern, c.start), c.expected) << c.text;
  }
}

TEST(HtmlCursor, ReadsUpToOrThroughDelimiterKeepingLetterCase) {
  struct Case {
    const char* text;
    size_t pos;
    bool through;
    bool ok;
    const char* out;
    size_t posAfter;
  };
  const std::vector<Case> cases = {
      {"<A>x</a>tail", 0, false, true, "<A>x", 8},
      {"<A>x</a>tail", 0, true, true, "<A>x</a>", 8},
      {"a</a>", 1, false, true, "", 5},
      {"a</a>", 4, false, false, "", 4},  // last byte
      {"abc", 0, true, false, "", 0},
      {"", 0, false, false, "", 0},
  };
  for (const Case& c : cases) {
    HtmlCursor cursor(c.text);
    cursor.SetPos(c.pos);
    std::string out = "stale";
    EXPECT_EQ(c.through ? cursor.ReadThrough("</A>", out) : cursor.ReadTo("</A>", out), c.ok);
    EXPECT_EQ(out, c.out) << c.text;
    EXPECT_EQ(cursor.pos(), c.posAfter) << c.text;
  }
}

}  // namespace
}  // namespace vexon::search
