#include "search/found_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexon::search {
namespace {

TEST(FoundLink, SplitsAtFirstSeparator) {
  const std::vector<std::vector<std::string>> cases = {
      // entry, link, title
      {"http://f/a.mp3|||a|||b", "http://f/a.mp3", "a|||b"},
      {"|||t", "", "t"},
      {"no separator", "no separator", ""},
  };
  for (const auto& c : cases) {
    std::string link = "stale", title = "stale";
    SplitFoundLink(c[0], link, title);
    EXPECT_EQ(link, c[1]) << c[0];
    EXPECT_EQ(title, c[2]) << c[0];
  }
}

TEST(FoundLink, CarriableLinkHasNoControlByteNoSeparatorAndBoundedSize) {
  EXPECT_TRUE(IsCarriableLink("http://f/a b|c||d\x7f\xff.mp3"));
  EXPECT_TRUE(IsCarriableLink(std::string(kMaxFoundTextSize, 'a')));
  EXPECT_FALSE(IsCarriableLink(std::string(kMaxFoundTextSize + 1, 'a')));
  EXPECT_FALSE(IsCarriableLink("http://f/a|||b.mp3"));
  EXPECT_FALSE(IsCarriableLink("http://f/a.mp3|"));
  for (int c = 0; c < 0x20; ++c)
    EXPECT_FALSE(IsCarriableLink("http://f/" + std::string(1, char(c))));
  EXPECT_TRUE(IsCarriableTitle("a\tb"));
  EXPECT_FALSE(IsCarriableTitle(std::string(kMaxFoundTextSize + 1, 't')));
}

}  // namespace
}  // namespace vexon::search
