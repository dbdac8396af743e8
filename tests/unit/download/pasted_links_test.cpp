#include "download/pasted_links.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexon::download {
namespace {

TEST(PastedLinks, TakesHttpAddressesOnceAndCountsTheRest) {
  const std::string megabyteUrl = "http://h/" + std::string(1u << 20, 'a');
  const struct {
    std::string text;
    std::vector<std::string> urls;
    size_t ignored;
  } cases[] = {
      {"http://h/a.mp3", {"http://h/a.mp3"}, 0},
      {"# a text/uri-list\r\nhttp://h/a.mp3\r\nHTTPS://h/b.mp3\r\n", {"http://h/a.mp3", "HTTPS://h/b.mp3"}, 0},
      {"see http://h/a.mp3 and\t(http://h/a.mp3), <https://h/c>.", {"http://h/a.mp3", "https://h/c"}, 2},
      {"file:///etc/passwd javascript:alert(1) ftp://h/x http:// words", {}, 5},
      {megabyteUrl + " http://h/b", {"http://h/b"}, 1},
      {"", {}, 0},
  };
  for (const auto& c : cases) {
    const PastedLinks links = ReadPastedLinks(c.text);
    EXPECT_FALSE(links.refused) << c.text.substr(0, 40);
    EXPECT_EQ(links.urls, c.urls) << c.text.substr(0, 40);
    EXPECT_EQ(links.ignored, c.ignored) << c.text.substr(0, 40);
  }
}

TEST(PastedLinks, TooManyAddressesOrTooLongATextAreRefusedWhole) {
  std::string many;
  for (size_t i = 0; i <= kMaxPastedAddresses; ++i) many += "http://h/" + std::to_string(i) + "\n";
  std::string junk;
  for (int i = 0; i < 100000; ++i) junk += "line " + std::to_string(i) + "\n";
  const std::string huge(kMaxPastedBytes + 1, 'x');
  for (const std::string* text : std::vector<const std::string*>{&many, &huge}) {
    const PastedLinks links = ReadPastedLinks(*text);
    EXPECT_TRUE(links.refused);
    EXPECT_TRUE(links.urls.empty());
  }
  const PastedLinks lines = ReadPastedLinks(junk);
  EXPECT_FALSE(lines.refused);
  EXPECT_TRUE(lines.urls.empty());
  EXPECT_EQ(lines.ignored, 200000u);
}

TEST(PastedLinks, OnlyAddressesTypedAreFetchedRatherThanSearched) {
  EXPECT_TRUE(IsOnlyAddresses("http://h/a.mp3"));
  EXPECT_TRUE(IsOnlyAddresses(" http://h/a.mp3  https://h/b "));
  EXPECT_FALSE(IsOnlyAddresses("http://h/a.mp3 song"));
  EXPECT_FALSE(IsOnlyAddresses("周杰伦"));
  EXPECT_FALSE(IsOnlyAddresses(""));
  EXPECT_FALSE(IsOnlyAddresses("file:///tmp/a.mp3"));
}

}  // namespace
}  // namespace vexon::download
