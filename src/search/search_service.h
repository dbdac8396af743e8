#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/found_link.h"

namespace vexon::search {

// One search service: the query it is sent and how its results pages read. The task
// runner does every request; a service only builds URLs and reads pages, so a new
// service is one new class.
class SearchService {
 public:
  virtual ~SearchService() = default;

  // One of kServiceNames.
  virtual std::string_view name() const = 0;
  // The first results page for the typed words.
  virtual std::string QueryUrl(std::string_view words) const = 0;
  // Reads the decoded results page fetched from `url`: each file link
  // ("url|||title") goes to `found` as soon as it is read, so its check starts
  // while the page is still being read. Returns the next page's URL, empty at the
  // last one. `fetch` reads a further page the results lead to (it may be called
  // from several threads at once, and so may `found`); `pause` waits between steps
  // and ends early on stop.
  virtual std::string Read(const std::string& url, const std::string& page, const PageFetcher& fetch,
                           const PauseFunction& pause, const LinkSink& found) const = 0;
  // The User-Agent of this service's requests and of the checks of its links;
  // empty: the program's usual one.
  virtual std::string userAgent() const { return {}; }
  // How long a page read by `fetch` may stay silent; zero: the runner's own (short,
  // as for Baidu's intermediate pages).
  virtual std::chrono::milliseconds fetchIdleTimeout() const { return std::chrono::milliseconds(0); }
};

// The services a search asks, in the order their first pages are requested.
using SearchServices = std::vector<std::unique_ptr<const SearchService>>;

}  // namespace vexon::search
