#pragma once

#include <string>

#include "search/search_service.h"

namespace vexon::search {

// The Internet Archive's audio collections: a JSON search for the words among audio
// items, then each item's file list (at most four items asked at once), whose files
// of a known type become links under /download/. The file list records each file's
// size, time and digests: the service vouches for those files.
class ArchiveService final : public SearchService {
 public:
  static constexpr const char* kDefaultBase = "https://archive.org/";
  static constexpr int kItemsAtOnce = 4;

  explicit ArchiveService(std::string base) : base_(std::move(base)) {}

  std::string_view name() const override { return "archive"; }
  std::string QueryUrl(std::string_view words) const override;
  std::string Read(const std::string& url, const std::string& page, const PageFetcher& fetch,
                   const PauseFunction& pause, const FoundSink& found, PageChain& chain) const override;
  std::string userAgent() const override;
  // An item's file list is built on request: it may take a while to start.
  std::chrono::milliseconds fetchIdleTimeout() const override { return std::chrono::seconds(30); }
  // The service sheds load with 429 and Retry-After, and asks for restraint.
  bool waitsWhenAsked() const override { return true; }
  net::RequestGate* requestGate() const override { return &gate_; }

 private:
  std::string base_;
  // Every search's requests to the service's host, together.
  mutable net::RequestGate gate_{kItemsAtOnce};
};

}  // namespace vexon::search
