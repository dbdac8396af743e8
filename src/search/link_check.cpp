#include "search/link_check.h"

#include <curl/curl.h>

#include <ctime>

#include "net/status_text.h"
#include "search/search_options.h"
#include "text/strings.h"

namespace vexon::search {
namespace {

class HeadOnly final : public net::TransferHandler {
 public:
  bool OnHead(const net::ResponseHead&) override { return false; }
};

}  // namespace

std::string FormatHeaderDate(std::string_view lastModified) {
  if (lastModified.empty()) return {};
  const std::string value(lastModified);
  const time_t when = curl_getdate(value.c_str(), nullptr);
  if (when == -1) return {};
  return ListDate(when);
}

bool CheckLink(SearchTask& task, const net::UrlParts& url, net::TaskHttp& http) {
  HeadOnly handler;
  net::TransferResult transfer;
  const int status = http.OpenGetRequest(url, handler, &transfer);
  task.status = status;
  SearchResult& r = task.result;
  r.url = task.url;
  r.checkedUrl = task.url;
  r.title = task.title;
  r.keyword = task.keyword;
  r.status = status;
  r.contentType.clear();
  r.size.clear();
  r.date.clear();
  if (status == 0) return false;
  if (transfer.headReceived) {
    r.contentType = transfer.head.contentType;
    r.size = transfer.head.contentLengthText;
    r.date = FormatHeaderDate(transfer.head.lastModified);
  }
  r.statusText = net::StatusText(status);
  return status == 200 && !r.size.empty() && !r.date.empty();
}

}  // namespace vexon::search
