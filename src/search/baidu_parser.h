#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "search/found_link.h"
#include "search/html_cursor.h"

namespace vexon::search {

// Finds the file links that a Baidu result page leads to, one intermediate page per hit.
class BaiduLinkParser final {
 public:
  BaiduLinkParser(std::string page, PageFetcher fetcher, PauseFunction pause = SleepPause);

  // Fills links() anew; each entry is URL + "|||" + title. With a sink, each link
  // goes to it as soon as it is read instead.
  void Parse(const LinkSink& sink = nullptr);
  const std::vector<std::string>& links() const { return links_; }

 private:
  void ParseHit(const std::string& anchor);

  HtmlCursor cursor_;
  PageFetcher fetcher_;
  PauseFunction pause_;
  std::vector<std::string> links_;
  LinkSink sink_;
};

// Finds the next result page of a Baidu result page.
class BaiduNextPageParser final {
 public:
  // `baiduHost` is the host of the query URL, with its ":port" if it has one.
  BaiduNextPageParser(std::string page, std::string_view baiduHost);

  // Fills nextUrl(); empty when the page has no next page on the Baidu host.
  void Find();
  const std::string& nextUrl() const { return nextUrl_; }

 private:
  HtmlCursor cursor_;
  std::string prefix_;
  std::string nextUrl_;
};

}  // namespace vexon::search
