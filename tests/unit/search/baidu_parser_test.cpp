#include "search/baidu_parser.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

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
      {"mp3", true}, {"rm", true},   {"ram", true}, {"wma", true},  {"asf", true}, {"swf", true},
      {"mpg", true}, {"mpeg", true}, {"avi", true}, {"mid", true},  {"asx", true}, {"wav", true},
      {"ra", true},  {"wmv", true},  {"MP3", true}, {"ogg", false}, {"mp", false}, {"mp3x", false},
  };
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
  for (const std::string& target : {
           std::string("http://f.test/a\nb.mp3"),
           std::string("http://f.test/a|||b.mp3"),
           "http://f.test/" + std::string(9000, 'x') + ".mp3",
       }) {
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
      {"<a href=\"http://mp3.baidu.test:8080/m?a\r\nb\">下一页</a>", ""},
  };
  for (const auto& [page, expected] : cases) {
    BaiduNextPageParser parser(page, "mp3.baidu.test:8080");
    parser.Find();
    EXPECT_EQ(parser.nextUrl(), expected) << page;
  }
}

}  // namespace
}  // namespace vexon::search
