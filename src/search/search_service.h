#pragma once

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

  // The first results page for the typed words.
  virtual std::string QueryUrl(std::string_view words) const = 0;
  // The file links of a decoded results page, each "url|||title". `fetch` reads a
  // further page the results lead to; `pause` waits between steps and ends early on stop.
  virtual std::vector<std::string> Links(const std::string& page, const PageFetcher& fetch,
                                         const PauseFunction& pause) const = 0;
  // The next results page, or empty at the last one.
  virtual std::string NextPageUrl(const std::string& page) const = 0;
};

// The services a search asks, in the order their first pages are requested.
using SearchServices = std::vector<std::unique_ptr<const SearchService>>;

}  // namespace vexon::search
