#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "net/curl_session.h"
#include "net/net_errors.h"
#include "net/page_decode.h"
#include "net/status_text.h"
#include "net/url.h"

using namespace vexon::net;

TEST(PrepareUrl, SplitsServerWithItsPortAndObject) {
  struct Case {
    const char* url;
    const char* server;
    const char* object;
  } cases[] = {{"http://example.com", "example.com", "/"},  // scheme and host only: "/" appended
               {"http://example.com/a/b.mp3", "example.com", "/a/b.mp3"},
               {"http://example.com:8080/x?y=1", "example.com:8080", "/x?y=1"},
               {"http://user:pw@host/x", "host", "/x"}};
  for (const Case& c : cases) {
    UrlParts parts;
    ASSERT_TRUE(PrepareUrl(c.url, parts)) << c.url;
    EXPECT_EQ(parts.server, c.server) << c.url;
    EXPECT_EQ(parts.object, c.object) << c.url;
  }
  UrlParts parts;
  EXPECT_FALSE(PrepareUrl("", parts));
  EXPECT_FALSE(PrepareUrl("http:///path", parts));
}

TEST(Encoding, RequestTargetKeepsDelimitersAndEscapesTheRestQueryWordsAllButUnreserved) {
  EXPECT_EQ(EncodeRequestTarget("/a b/c%20d?x=1&y=2#f"), "/a%20b/c%20d?x=1&y=2#f");
  // "下" is CF C2 in GB18030.
  EXPECT_EQ(EncodeRequestTarget("/下.mp3"), "/%CF%C2.mp3");
  EXPECT_EQ(EncodeRequestTarget("/a\"<>\\^`{|}"), "/a%22%3C%3E%5C%5E%60%7B%7C%7D");
  EXPECT_EQ(EncodeRequestTarget(std::string("/\r\n\t", 4)), "/%0D%0A%09");
  // Query words are one value.
  EXPECT_EQ(EncodeQueryWords("a b&c#d"), "a%20b%26c%23d");
  EXPECT_EQ(EncodeQueryWords("下-._~"), "%CF%C2-._~");
}

TEST(UrlFileName, DecodesUtf8EscapesOnly) {
  const struct {
    const char* url;
    const char* name;
  } cases[] = {
      {"http://h/a/song.mp3", "song.mp3"},
      {"http://h/d/x/%E5%A4%9C%E6%9D%A5%E9%A6%99%20(live).mp3", "夜来香 (live).mp3"},
      {"http://h/%CF%C2.mp3", "%CF%C2.mp3"},          // GB18030, not UTF-8: left escaped
      {"http://h/a%2F..%2Fb.mp3", "a%2F..%2Fb.mp3"},  // would name another folder
      {"http://h/a%0Ab.mp3", "a%0Ab.mp3"},
      {"http://h/100%.mp3", "100%.mp3"},
      {"http://h/%E5%A4", "%E5%A4"},  // cut short
  };
  for (const auto& c : cases) EXPECT_EQ(UrlFileName(c.url), c.name) << c.url;
}

TEST(StatusText, MapsStatusesAndErrors) {
  EXPECT_EQ(StatusText(200), "ok");
  EXPECT_EQ(StatusText(404), "not found");
  EXPECT_EQ(StatusText(502), "Server temporarily overloaded,busy");
  EXPECT_EQ(StatusText(NetError::kTimeout), "Connection timed out");
  EXPECT_EQ(StatusText(NetError::kNameNotResolved), StatusText(NetError::kCannotConnect));
  EXPECT_EQ(StatusText(NetError::kConnectionAborted), "Connection was aborted prematurely");
  EXPECT_EQ(StatusText(418), "no connection");
}

TEST(Headers, ContentLengthIsReadAsTheLibraryReadsIt) {
  const std::vector<std::pair<const char*, std::optional<uint64_t>>> cases = {
      {"1234", 1234},
      {"  000123 ", 123},
      {"12abc", 12},
      {"9223372036854775807", 9223372036854775807ULL},
      {"9223372036854775808", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"-5", std::nullopt},
      {"abc", std::nullopt}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseContentLength(text), expected) << text;
}

TEST(Headers, ThePagesCharsetComesFromItsTypeElseItsMetaTag) {
  EXPECT_EQ(DeclaredCharset("text/html; charset=GBK", "<meta charset=utf-8>"), "GBK");
  EXPECT_EQ(DeclaredCharset("text/html; Charset=\"utf-8\"", ""), "utf-8");
  EXPECT_EQ(DeclaredCharset("text/html", "<head><META http-equiv=Content-Type content=\"text/html; charset=gb2312\">"),
            "gb2312");
  EXPECT_EQ(DeclaredCharset("text/html", "<p>no declaration</p>"), "");
  EXPECT_EQ(DecodePage("\xD6\xD0", "text/html"), "中");
  EXPECT_EQ(DecodePage("中", "text/html; charset=UTF-8"), "中");
}
