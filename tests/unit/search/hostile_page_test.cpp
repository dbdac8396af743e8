#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "search/baidu_parser.h"
#include "search/found_link.h"
#include "search/yahoo_parser.h"

namespace vexon::search {
namespace {

constexpr size_t kBigPage = 10 * 1024 * 1024;
// Enough to show a quadratic step, small enough for an unoptimised sanitizer build.
constexpr size_t kLargePage = 2 * 1024 * 1024;

std::string Repeat(const std::string& piece, size_t size) {
  std::string out;
  out.reserve(size + piece.size());
  while (out.size() < size) out += piece;
  return out;
}

struct Outcome {
  std::vector<std::string> links;  // Baidu's, then Yahoo's
  std::string baiduNext;
  std::string yahooNext;
  size_t fetches = 0;
};

// Every parser over the page, with an intermediate page that always matches.
Outcome RunAll(const std::string& page) {
  Outcome outcome;
  BaiduLinkParser baidu(
      page,
      [&](const std::string&, std::string& out) {
        ++outcome.fetches;
        out = "<a href=\"http://f.test/a.mp3\">x</a>";
        return true;
      },
      [](int) {});
  baidu.Parse();
  YahooLinkParser yahoo(page, [](int) {});
  yahoo.Parse();
  outcome.links = baidu.links();
  outcome.links.insert(outcome.links.end(), yahoo.links().begin(), yahoo.links().end());
  BaiduNextPageParser baiduNext(page, "mp3.baidu.test");
  baiduNext.Find();
  outcome.baiduNext = baiduNext.nextUrl();
  YahooNextPageParser yahooNext(page, "music.yahoo.test");
  yahooNext.Find();
  outcome.yahooNext = yahooNext.nextUrl();
  return outcome;
}

TEST(FoundLink, CarriableLinkHasNoControlByteNoSeparatorAndBoundedSize) {
  EXPECT_TRUE(IsCarriableLink("http://f/a b|c||d\x7f\xff.mp3"));
  EXPECT_TRUE(IsCarriableLink(std::string(kMaxFoundTextSize, 'a')));
  EXPECT_FALSE(IsCarriableLink(std::string(kMaxFoundTextSize + 1, 'a')));
  EXPECT_FALSE(IsCarriableLink("http://f/a|||b.mp3"));
  EXPECT_FALSE(IsCarriableLink("http://f/a.mp3|"));
  for (int c = 0; c < 0x20; ++c) EXPECT_FALSE(IsCarriableLink("http://f/" + std::string(1, char(c))));
  EXPECT_TRUE(IsCarriableTitle("a\tb"));
  EXPECT_FALSE(IsCarriableTitle(std::string(kMaxFoundTextSize + 1, 't')));
}

TEST(HostilePage, TenMegabytesOfJunkYieldOnlyCarriableResults) {
  std::string page(kBigPage, '\0');
  uint32_t state = 12345;
  for (char& c : page) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  page += "<a title=\"\xff\" href=http://f/\x80.mp3 >\xe4\xb8</a>";
  const Outcome outcome = RunAll(page);
  ASSERT_FALSE(outcome.links.empty());
  EXPECT_EQ(outcome.links.back(), "http://f/\x80.mp3|||\xe4\xb8");
  for (const std::string& entry : outcome.links) {
    std::string link, title;
    SplitFoundLink(entry, link, title);
    EXPECT_TRUE(IsCarriableLink(link) && IsCarriableTitle(title));
  }
  EXPECT_TRUE(IsCarriableLink(outcome.baiduNext) && IsCarriableLink(outcome.yahooNext));
}

TEST(HostilePage, ManyHitsAreAllFoundAndHugeAnchorsDropped) {
  const std::string baiduHit = "<a href=\"http://mp3.baidu.test/m?tn=baidusg,x&word=mp3,\">S</a>";
  const std::string yahooHit = "<a title=\"s\" href=http://f.test/a.mp3 >S</a>";
  const Outcome many = RunAll(Repeat(baiduHit + yahooHit, 20000 * (baiduHit + yahooHit).size()));
  EXPECT_EQ(many.links.size(), 40000u);
  EXPECT_EQ(many.fetches, 20000u);
  const std::string huge(kLargePage, 'x');
  const Outcome dropped = RunAll("<a href=\"http://mp3.baidu.test/m?tn=baidusg,x&word=mp3,\">" + huge + "</a>" +
                                 "<a title=\"t\" href=http://f/" + huge + ".mp3 >t</a>");
  EXPECT_TRUE(dropped.links.empty());
  EXPECT_EQ(dropped.fetches, 1u);
}

}  // namespace
}  // namespace vexon::search
