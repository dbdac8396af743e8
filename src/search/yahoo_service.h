#pragma once

#include <string>

#include "search/search_service.h"

namespace vexon::search {

// Yahoo's music search: the words as a "p" query; file links and the next page read
// from the lower-cased results page.
class YahooService final : public SearchService {
 public:
  // `host` with its ":port" if it has one.
  explicit YahooService(std::string host) : host_(std::move(host)) {}

  std::string_view name() const override { return "yahoo"; }
  std::string QueryUrl(std::string_view words) const override;
  std::string Read(const std::string& url, const std::string& page, const PageFetcher& fetch,
                   const PauseFunction& pause, const FoundSink& found, PageChain& chain) const override;

 private:
  std::string host_;
};

}  // namespace vexon::search
