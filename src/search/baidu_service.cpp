#include "search/baidu_service.h"

#include "net/url.h"
#include "search/baidu_parser.h"

namespace vexon::search {

std::string BaiduService::QueryUrl(std::string_view words) const {
  return "http://" + host_ + "/m?&tn=baidump3&ct=134217728&rn=&word=" + net::EncodeQueryWords(words) + "&lm=-1";
}

std::string BaiduService::Read(const std::string& /*url*/, const std::string& page, const PageFetcher& fetch,
                               const PauseFunction& pause, const FoundSink& found, PageChain& /*chain*/) const {
  BaiduLinkParser links(page, fetch, pause);
  links.Parse(EntriesTo(found));
  BaiduNextPageParser next(page, host_);
  next.Find();
  return next.nextUrl();
}

}  // namespace vexon::search
