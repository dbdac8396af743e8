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

// One cursor operation: the text, pos before, the call, its result, pos after.
struct MoveCase {
  const char* text;
  size_t pos;
  char op;  // 'i' IsAt, 't' SkipTo, 'p' SkipPast, 'b' BackTo
  const char* pattern;
  bool result;
  size_t posAfter;
};

TEST(HtmlCursor, MovesAsDocumented) {
  const std::vector<MoveCase> cases = {
      {"<a href>", 0, 'i', "<A", true, 0},
      {"x<a", 0, 'i', "<a", false, 0},
      {"abc", 2, 'i', "cd", false, 2},
      {"abc", 3, 'i', "", false, 3},
      {"ab</A>cd</a>", 2, 't', "</a>", true, 2},
      {"ab</A>cd</a>", 3, 't', "</a>", true, 8},
      {"ab</A>cd", 3, 't', "</a>", false, 3},
      {"ab</A>cd", 0, 'p', "</a>", true, 6},
      {"ab</a", 1, 'p', "</a>", false, 1},
      {"x下一页y", 0, 'p', "下一页", true, 10},
      {"http:a HTTP:b X", 14, 'b', "http:", true, 7},
      {"http:a http:b X", 7, 'b', "http:", true, 0},  // pos itself is not looked at
      {"http:a", 0, 'b', "http:", false, 0},
      {"abc http", 8, 'b', "http:", false, 8},  // never holds: pos restored
      {"abchttp:", 5, 'b', "http:", true, 3},   // may reach past the old pos
  };
  for (const MoveCase& c : cases) {
    HtmlCursor cursor(c.text);
    cursor.SetPos(c.pos);
    bool result = false;
    switch (c.op) {
      case 'i':
        result = cursor.IsAt(c.pattern);
        break;
      case 't':
        result = cursor.SkipTo(c.pattern);
        break;
      case 'p':
        result = cursor.SkipPast(c.pattern);
        break;
      default:
        result = cursor.BackTo(c.pattern);
        break;
    }
    EXPECT_EQ(result, c.result) << c.op << " " << c.text << " @" << c.pos;
    EXPECT_EQ(cursor.pos(), c.posAfter) << c.op << " " << c.text << " @" << c.pos;
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

TEST(HtmlCursor, ReplaceNoCaseReplacesEveryOccurrenceWithoutRescanning) {
  struct Case {
    const char* text;
    const char* find;
    const char* replace;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"a&AMP;b&amp;c", "&amp;", "&", "a&b&c"},
      {"aaa", "a", "aa", "aaaaaa"},
      {"&amp;amp;", "&amp;", "&", "&amp;"},
      {"abc", "", "x", "abc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HtmlCursor::ReplaceNoCase(c.text, c.find, c.replace), c.expected) << c.text;
  }
}

}  // namespace
}  // namespace vexon::search
