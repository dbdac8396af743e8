#include "search/clean_title.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexon::search {
namespace {

struct Case {
  std::string input;
  std::string expected;
};

void ExpectStep(void (*step)(std::string&), const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::string text = c.input;
    step(text);
    EXPECT_EQ(text, c.expected) << "input: [" << c.input << "]";
  }
}

TEST(CleanTitleSteps, StripTagsAndEntities) {
  ExpectStep(StripTagsAndEntities, {
                                       {"<a href=\"http://h/a.mp3\">Song</a> x", "Song x"},
                                       {"a<b>c<d", "acd"},  // "<" without ">": dropped, the rest kept
                                       {"x>y", "x>y"},
                                       {"M&auml;dchen&nbsp;&amp;&szlig;", "Mdchen &"},
                                       {"a&NBSP;b", "a&NBSP;b"},      // the presence test is case-sensitive...
                                       {"a&nbsp;b&NBSP;c", "a b c"},  // ...the replacement is not
                                       {"x&amp;auml;y", "xy"},        // rows run in table order
                                       {"&lt;i&gt;&copy;", "&lt;i&gt;&copy;"},
                                   });
}

TEST(CleanTitleSteps, FlattenLinesMakeFileSafeCollapseSpaces) {
  ExpectStep(FlattenLines, {{" \r\n\t a\nb \n", "a b"}, {"a\r\nb\tc", "a\r b\tc"}});
  ExpectStep(MakeFileSafe, {
                               {"a/b\\c:d?e*f<g>h\"i|j", "a b c d e f g h i j"},
                               {"&lt;b&gt;&quot;x&quot;it&#39;s", "[b]xit's"},
                               {"&LT;b&GT;", "&LT;b&GT;"},  // case-sensitive
                           });
  ExpectStep(CollapseSpaces, {{"a    b", "a b"}, {"a \r b", "a b"}, {"a\r\rb", "ab"}, {"a\t\tb", "a\t\tb"}});
}

TEST(CleanTitle, RunsAllStepsInOrder) {
  ExpectStep(CleanTitle, {
                             {"<b>Tom &amp; Jerry</b>&lt;i&gt;", "Tom & Jerry[i]"},
                             {"<a href=\"http://h/m?tn=baidusg,x\">Love: Why?</a>", "Love Why"},
                             {"word1 \r  word2", "word1 word2"},
                             {"one \r\n two", "one two"},
                             {"  <font color=red> Song </font>  ", "Song"},
                             {"&amp;lt;b&amp;gt;", "[b]"},
                             {"Artist | Title:", "Artist Title"},
                             {"unclosed <b", "unclosed b"},
                             {"歌曲 &amp; 下一页", "歌曲 & 下一页"},
                             {"<b></b>", ""},
                         });
}

}  // namespace
}  // namespace vexon::search
