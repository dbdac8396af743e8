#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "search/baidu_parser.h"
#include "search/clean_title.h"
#include "search/html_cursor.h"
#include "search/yahoo_parser.h"

namespace vexon::search {
namespace {

using Links = std::vector<std::string>;

// Serves intermediate pages from a map and records what was asked for.
struct FakeService {
  std::map<std::string, std::string> pages;
  std::vector<std::string> requests;
  std::vector<int> pauses;

  Links Parse(const std::string& page) {
    BaiduLinkParser parser(
        page,
        [this](const std::string& url, std::string& out) {
          requests.push_back(url);
          const auto it = pages.find(url);
          if (it == pages.end()) return false;
          out = it->second;
          return true;
        },
        [this](int ms) { pauses.push_back(ms); });
    parser.Parse();
    return parser.links();
  }
};

std::string Hit(const std::string& url, const std::string& body = "t") {
  return "<a href=\"" + url + "\" target=\"_blank\">" + body + "</a>";
}

std::string HitUrl(const std::string& type, const std::string& name = "x") {
  return "http://mp3.baidu.test/m?tn=baidusg," + name + "&word=" + type + ",,[song]&lm=-1";
}

std::string FileAnchor(const std::string& target) {
  return "<a href=\"" + target + "\">x</a>";
}

TEST(BaiduLinkParser, WmaWithCapitalExtensionGivesLowerCaseLinkAndTitleAsOnPage) {
  FakeService service;
  service.pages[HitUrl("wma")] =
      "<A HREF=\"http://f.test/About.html\">a</A>" + FileAnchor("http://f.test/Music/Song.WMA");
  EXPECT_EQ(service.Parse("<p>" + Hit(HitUrl("wma"), "<B>My</B> Song: Live?") + "</p>"),
            Links{"http://f.test/music/song.wma|||My Song Live"});
  EXPECT_EQ(service.requests, std::vector<std::string>{HitUrl("wma")});
  EXPECT_EQ(service.pauses, (std::vector<int>{10, 10}));  // after the anchor, before the read
}

TEST(BaiduLinkParser, AcceptsOnlyKnownTypeCodes) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"mp3", true},  {"rm", true},  {"ram", true},  {"wma", true},  {"asf", true}, {"swf", true},  {"mpg", true},
      {"mpeg", true}, {"avi", true}, {"mid", true},  {"asx", true},  {"wav", true}, {"ra", true},   {"wmv", true},
      {"MP3", true},  {"ogg", true}, {"flac", true}, {"aac", false}, {"mp", false}, {"mp3x", false}};
  for (const auto& [type, accepted] : cases) {
    FakeService service;
    service.pages[HitUrl(type)] = FileAnchor("http://f.test/a." + type);
    EXPECT_EQ(service.Parse(Hit(HitUrl(type))).size(), accepted ? 1u : 0u) << type;
    EXPECT_EQ(service.requests.size(), accepted ? 1u : 0u) << type;  // no request for unknown
  }
}

TEST(BaiduLinkParser, SkipsHitsWithoutMarkerUrlOrTypeBeforeAnyRequest) {
  for (const std::string& anchor : {
           Hit("http://mp3.baidu.test/m?tn=other,x&word=mp3,"),
           Hit("http://mp3.baidu.test/m?TN=BAIDUSG,x&word=mp3,"),  // case-sensitive marker
           Hit("/m?tn=baidusg,x&word=mp3,"), Hit("HTTP://mp3.baidu.test/m?tn=baidusg,x&word=mp3,"),
           Hit("http://mp3.baidu.test/m?tn=baidusg,x&lm=1"),
           std::string("<a href=\"http://h/m?tn=baidusg,x&word=mp3\">t</a>"),  // no comma
           Hit("http://mp3.baidu.test/m?tn=baidusg,x&word=,mp3"),
           Hit(HitUrl("mp3", "a\r\nHost: evil")),  // never sent as a request
       }) {
    FakeService service;
    EXPECT_TRUE(service.Parse(anchor).empty()) << anchor;
    EXPECT_TRUE(service.requests.empty()) << anchor;
  }
}

TEST(BaiduLinkParser, SkipsHitWhoseIntermediatePageFailsOrHasNoMatchingLink) {
  FakeService service;
  service.pages[HitUrl("mp3", "nomatch")] = FileAnchor("http://f.test/a.wma") + "<a href=http://f/b.mp3>";
  service.pages[HitUrl("mp3", "noquote")] = "<a href=\"http://f.test/a.mp3";
  service.pages[HitUrl("mp3", "good")] = FileAnchor("http://f.test/good.mp3");
  const std::string page = Hit(HitUrl("mp3", "gone")) + Hit(HitUrl("mp3", "nomatch")) + Hit(HitUrl("mp3", "noquote")) +
                           Hit(HitUrl("mp3", "good"));
  EXPECT_EQ(service.Parse(page), Links{"http://f.test/good.mp3|||t"});
  EXPECT_EQ(service.requests.size(), 4u);
}

TEST(BaiduLinkParser, DropsLinkWithControlByteOrSeparatorAndOversizedText) {
  for (const std::string& target : {std::string("http://f.test/a\nb.mp3"), std::string("http://f.test/a|||b.mp3"),
                                    "http://f.test/" + std::string(9000, 'x') + ".mp3"}) {
    FakeService service;
    service.pages[HitUrl("mp3")] = FileAnchor(target);
    EXPECT_TRUE(service.Parse(Hit(HitUrl("mp3"))).empty()) << target.substr(0, 30);
  }
  FakeService service;
  service.pages[HitUrl("mp3")] = FileAnchor("http://f.test/a.mp3");
  EXPECT_TRUE(service.Parse(Hit(HitUrl("mp3"), std::string(9000, 't'))).empty());
  EXPECT_EQ(service.Parse(Hit(HitUrl("mp3"), std::string(8000, 't'))).size(), 1u);
}

TEST(BaiduNextPageParser, FindsNextPageOnBaiduHostOnly) {
  const std::string next = "http://mp3.baidu.test:8080/m?tn=baidump3&pn=20";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<a href=\"" + next + "\">下一页</a>", next},
      {"<a href=\"http://mp3.baidu.test:8080/m?pn=0\">上一页</a><a href=\"" + next + "\"><b>下一页</b></a>", next},
      {"<a href=\"" + next + "\">more</a>", ""},
      {"<a href=\"http://evil.test/m?pn=20\">下一页</a>", ""},
      {"<a href=\"http://mp3.baidu.test:8080.evil/m?pn=20\">下一页</a>", ""},
      {"<a href=\"http://mp3.baidu.test:9090/m?pn=20\">下一页</a>", ""},
      {"<a href=\"http://mp3.baidu.test:8080/x?pn=20\">下一页</a>", ""},
      {"<a href=\"HTTP://mp3.baidu.test:8080/m?pn=20\">下一页</a>", ""},  // case-sensitive prefix
      {"http://mp3.baidu.test:8080/m?pn=20 下一页", ""},                  // no closing quote
      {"<a href=\"/m?pn=20\">下一页</a>", ""},
      {"<a href=\"http://mp3.baidu.test:8080/m?a\r\nb\">下一页</a>", ""}};
  for (const auto& [page, expected] : cases) {
    BaiduNextPageParser parser(page, "mp3.baidu.test:8080");
    parser.Find();
    EXPECT_EQ(parser.nextUrl(), expected) << page;
  }
}

Links ParseLinks(const std::string& page) {
  YahooLinkParser parser(page, [](int) {});
  parser.Parse();
  return parser.links();
}

std::string Anchor(const std::string& url, const std::string& body = "t") {
  return "<a title=\"" + body + "\" href=" + url + " target=_blank>" + body + "</a>";
}

TEST(YahooLinkParser, AcceptsUrlsByTheirLastThreeCharactersInLowerCase) {
  for (const char* type : {"mp3", "mpeg", "rm", "ra", "ram", "asf", "swf", "mpg", "avi", "mid", "asx", "wav", "wmv"}) {
    const std::string url = "http://f.test/a." + std::string(type);
    EXPECT_EQ(ParseLinks(Anchor(url)), Links{url + "|||t"}) << type;
  }
  // Flattened, then kept; lower-cased; refused for control bytes, other types, a query,
  // a separator that would not split back from its entry, or its size.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"http://f.test/a\nb.mp3", "http://f.test/a b.mp3"},
      {"http://f.test/Song.WMA", "http://f.test/song.wma"},
      {"http://f.test/a|x.mp3", "http://f.test/a|x.mp3"},
      {"http://f.test/a.ogg", "http://f.test/a.ogg"},
      {"http://f.test/campus", ""},
      {"http://f.test/a.aac", ""},
      {"http://f.test/a.arm", ""},
      {"http://f.test/a.mp3?x=1", ""},
      {"http://f.test/a\tb.mp3", ""},
      {"http://f.test/a\rb.mp3", ""},
      {"http://f.test/a|||b.mp3", ""},
      {"http://f.test/" + std::string(9000, 'a') + ".mp3", ""}};
  for (const auto& [url, expected] : cases) {
    EXPECT_EQ(ParseLinks(Anchor(url)), expected.empty() ? Links{} : Links{expected + "|||t"}) << url.substr(0, 30);
  }
}

TEST(YahooNextPageParser, BuildsNextPageUrlFromHost) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<a href=\"search.html?p=song&b=21\"><strong>下一页</strong></a>",
       "http://music.yahoo.test:8081/search.html?p=song&b=21"},
      {"<a href=\"search.html?b=1\">1</a><a href=\"search.html?b=41\"><strong>下一页</strong></a>",
       "http://music.yahoo.test:8081/search.html?b=41"},
      {"<a href=\"search.html?b=21\">下一页</a>", ""},
      {"<strong>下一页</strong>", "http://music.yahoo.test:8081/"},
      {"<strong>下一页</strong> <a href=\"x\">", "http://music.yahoo.test:8081/ <a href="},
      {"<a href=\"search.html?b=21\r\nx\"><strong>下一页</strong></a>", ""}};
  for (const auto& [page, expected] : cases) {
    YahooNextPageParser parser(page, "music.yahoo.test:8081");
    parser.Find();
    EXPECT_EQ(parser.nextUrl(), expected) << page;
  }
}

constexpr size_t npos = HtmlCursor::npos;

TEST(HtmlCursor, FindNoCaseFindsFirstOccurrenceAtOrAfterStart) {
  struct Case {
    const char* text;
    const char* pattern;
    size_t start;
    size_t expected;
  };
  const std::vector<Case> cases = {{"abcABC", "ABC", 1, 3},
                                   {"xx<A HREF=", "<a href=", 0, 2},
                                   {"abc", "abc", 3, npos},
                                   {"abc", "", 3, npos},  // start at the end, even empty
                                   {"abc", "", 1, 1},
                                   {"abc", "abcd", 0, npos},
                                   {"É é", "é", 0, 3},  // only ASCII letters fold
                                   {"下一页 下一页", "下一页", 1, 10}};
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
  const std::vector<Case> cases = {{"<A>x</a>tail", 0, false, true, "<A>x", 8},
                                   {"<A>x</a>tail", 0, true, true, "<A>x</a>", 8},
                                   {"a</a>", 1, false, true, "", 5},
                                   {"a</a>", 4, false, false, "", 4},  // last byte
                                   {"abc", 0, true, false, "", 0},
                                   {"", 0, false, false, "", 0}};
  for (const Case& c : cases) {
    HtmlCursor cursor(c.text);
    cursor.SetPos(c.pos);
    std::string out = "stale";
    EXPECT_EQ(c.through ? cursor.ReadThrough("</A>", out) : cursor.ReadTo("</A>", out), c.ok);
    EXPECT_EQ(out, c.out) << c.text;
    EXPECT_EQ(cursor.pos(), c.posAfter) << c.text;
  }
}

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
  ExpectStep(StripTagsAndEntities, {{"<a href=\"http://h/a.mp3\">Song</a> x", "Song x"},
                                    {"a<b>c<d", "acd"},  // "<" without ">": dropped, the rest kept
                                    {"x>y", "x>y"},
                                    {"M&auml;dchen&nbsp;&amp;&szlig;", "Mdchen &"},
                                    {"a&NBSP;b", "a&NBSP;b"},      // the presence test is case-sensitive...
                                    {"a&nbsp;b&NBSP;c", "a b c"},  // ...the replacement is not
                                    {"x&amp;auml;y", "xy"},        // rows run in table order
                                    {"&lt;i&gt;&copy;", "&lt;i&gt;&copy;"}});
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
  ExpectStep(CleanTitle, {{"<b>Tom &amp; Jerry</b>&lt;i&gt;", "Tom & Jerry[i]"},
                          {"<a href=\"http://h/m?tn=baidusg,x\">Love: Why?</a>", "Love Why"},
                          {"word1 \r  word2", "word1 word2"},
                          {"one \r\n two", "one two"},
                          {"  <font color=red> Song </font>  ", "Song"},
                          {"&amp;lt;b&amp;gt;", "[b]"},
                          {"Artist | Title:", "Artist Title"},
                          {"unclosed <b", "unclosed b"},
                          {"歌曲 &amp; 下一页", "歌曲 & 下一页"},
                          {"<b></b>", ""}});
}

}  // namespace
}  // namespace vexon::search
