#include "search/yahoo_service.h"

#include "net/url.h"
#include "search/yahoo_parser.h"
#include "text/strings.h"

namespace vexon::search {

std::string YahooService::QueryUrl(std::string_view words) const {
  return "http://" + host_ +
         "/search.html?pid=ysearch&source=ysearch_music_result_topsearch&p=" + net::EncodeQueryWords(words) +
         "&minetype";
}

std::vector<std::string> YahooService::Links(const std::string& page, const PageFetcher&,
                                             const PauseFunction& pause) const {
  YahooLinkParser parser(text::AsciiLower(page), pause);
  parser.Parse();
  return parser.links();
}

std::string YahooService::NextPageUrl(const std::string& page) const {
  YahooNextPageParser parser(text::AsciiLower(page), host_);
  parser.Find();
  return parser.nextUrl();
}

}  // namespace vexon::search
