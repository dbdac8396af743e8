#include "search/query_url.h"

#include "net/url.h"

namespace vexon::search {

std::string YahooQueryUrl(std::string_view host, std::string_view words) {
  return "http://" + std::string(host) +
         "/search.html?pid=ysearch&source=ysearch_music_result_topsearch&p=" + net::EncodeQueryWords(words) +
         "&minetype";
}

std::string BaiduQueryUrl(std::string_view host, std::string_view words) {
  return "http://" + std::string(host) + "/m?&tn=baidump3&ct=134217728&rn=&word=" + net::EncodeQueryWords(words) +
         "&lm=-1";
}

}  // namespace vexon::search
