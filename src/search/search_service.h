#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "net/request_gate.h"
#include "search/found_link.h"

namespace vexon::search {

// What one search's chain of results pages of a service remembers from page to
// page. Only the task reading the chain's current page touches it.
struct PageChain {
  std::unordered_set<std::string> itemsRead;
};

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
  // Reads the decoded results page fetched from `url`: each file link goes to
  // `found` as soon as it is read, so its check starts while the page is still
  // being read. Returns the next page's URL, empty at the last one. `fetch` reads a
  // further page the results lead to (it may be called from several threads at
  // once, and so may `found`); `pause` waits between steps and ends early on stop;
  // `chain` is what the earlier pages of this search left.
  virtual std::string Read(const std::string& url, const std::string& page, const PageFetcher& fetch,
                           const PauseFunction& pause, const FoundSink& found, PageChain& chain) const = 0;
  // The User-Agent of this service's requests and of the checks of its links;
  // empty: the program's usual one.
  virtual std::string userAgent() const { return {}; }
  // How long a page read by `fetch` may stay silent; zero: the runner's own (short,
  // as for Baidu's intermediate pages).
  virtual std::chrono::milliseconds fetchIdleTimeout() const { return std::chrono::milliseconds(0); }
  // Whether a 429 or 503 of this service's hosts is waited out and asked again (its
  // page reads, its fetches and the checks of its links), each try taking a slot of
  // requestGate() when there is one.
  virtual bool waitsWhenAsked() const { return false; }
  virtual net::RequestGate* requestGate() const { return nullptr; }
};

// The services a search asks, in the order their first pages are requested.
using SearchServices = std::vector<std::unique_ptr<const SearchService>>;

}  // namespace vexon::search
