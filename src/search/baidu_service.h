#pragma once

#include <string>

#include "search/search_service.h"

namespace vexon::search {

// Baidu's MP3 search: the words as a "word" query; each hit leads through an
// intermediate page to its file link.
class BaiduService final : public SearchService {
 public:
  // `host` with its ":port" if it has one.
  explicit BaiduService(std::string host) : host_(std::move(host)) {}

  std::string_view name() const override { return "baidu"; }
  std::string QueryUrl(std::string_view words) const override;
  std::string Read(const std::string& url, const std::string& page, const PageFetcher& fetch,
                   const PauseFunction& pause, const FoundSink& found, PageChain& chain) const override;

 private:
  std::string host_;
};

}  // namespace vexon::search
