#include "search/baidu_service.h"

#include "net/url.h"
#include "search/baidu_parser.h"

namespace vexon::search {

std::string BaiduService::QueryUrl(std::string_view words) const {
  return "http://" + host_ + "/m?&tn=baidump3&ct=134217728&rn=&word=" + net::EncodeQueryWords(words) + "&lm=-1";
}

std::vector<std::string> BaiduService::Links(const std::string& page, const PageFetcher& fetch,
                                             const PauseFunction& pause) const {
  BaiduLinkParser parser(page, fetch, pause);
  parser.Parse();
  return parser.links();
}

std::string BaiduService::NextPageUrl(const std::string& page) const {
  BaiduNextPageParser parser(page, host_);
  parser.Find();
  return parser.nextUrl();
}

}  // namespace vexon::search
