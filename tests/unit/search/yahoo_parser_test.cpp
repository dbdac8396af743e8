#include "search/yahoo_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexon::search {
namespace {

using Links = std::vector<std::string>;

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
      {"http://f.test/a.ogg", ""},
      {"http://f.test/a.arm", ""},
      {"http://f.test/a.mp3?x=1", ""},
      {"http://f.test/a\tb.mp3", ""},
      {"http://f.test/a\rb.mp3", ""},
      {"http://f.test/a|||b.mp3", ""},
      {"http://f.test/" + std::string(9000, 'a') + ".mp3", ""},
  };
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
      {"<a href=\"search.html?b=21\r\nx\"><strong>下一页</strong></a>", ""},
  };
  for (const auto& [page, expected] : cases) {
    YahooNextPageParser parser(page, "music.yahoo.test:8081");
    parser.Find();
    EXPECT_EQ(parser.nextUrl(), expected) << page;
  }
}

}  // namespace
}  // namespace vexon::search
