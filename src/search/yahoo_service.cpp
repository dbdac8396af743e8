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

std::string YahooService::Read(const std::string& /*url*/, const std::string& page, const PageFetcher&,
                               const PauseFunction& pause, const FoundSink& found, PageChain& /*chain*/) const {
  const std::string lower = text::AsciiLower(page);
  YahooLinkParser links(lower, pause);
  links.Parse(EntriesTo(found));
  YahooNextPageParser next(lower, host_);
  next.Find();
  return next.nextUrl();
}

}  // namespace vexon::search
