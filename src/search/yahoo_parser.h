#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/found_link.h"
#include "search/html_cursor.h"

namespace vexon::search {

// Finds the file links on a Yahoo result page; the caller lower-cases the page first.
class YahooLinkParser final {
 public:
  explicit YahooLinkParser(std::string page, PauseFunction pause = SleepPause);

  // Fills links() anew; each entry is URL + "|||" + title. With a sink, each link
  // goes to it as soon as it is read instead.
  void Parse(const LinkSink& sink = nullptr);
  const std::vector<std::string>& links() const { return links_; }

 private:
  void ParseAnchor(const std::string& anchor);

  HtmlCursor cursor_;
  PauseFunction pause_;
  std::vector<std::string> links_;
  LinkSink sink_;
};

// Finds the next result page of a (lower-cased) Yahoo result page.
class YahooNextPageParser final {
 public:
  // `yahooHost` is the host of the query URL, with its ":port" if it has one.
  YahooNextPageParser(std::string page, std::string_view yahooHost);

  // Fills nextUrl(); empty when the page has no next-page mark.
  void Find();
  const std::string& nextUrl() const { return nextUrl_; }

 private:
  HtmlCursor cursor_;
  std::string host_;
  std::string nextUrl_;
};

}  // namespace vexon::search
