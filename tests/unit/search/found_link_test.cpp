#include "search/found_link.h"

#include <gtest/gtest.h>

#include <string>

namespace vexon::search {
namespace {

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

}  // namespace
}  // namespace vexon::search
