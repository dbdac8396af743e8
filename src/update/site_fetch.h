#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace vexon::net {
class CurlSession;
}

namespace vexon::update {

// How far a request to the maker's site got.
enum class FetchOutcome {
  kDone,
  kNoConnection,  // the host could not be reached: name not resolved, refused, connect time-out
  kOpenFailed,    // reached, but no usable answer: not a 2xx status, TLS, redirect loop, bad URL
  kReadFailed,    // the answer's body broke off, ran over a limit, or could not be stored
};

struct FetchLimits {
  std::chrono::milliseconds connectTimeout{30000};
  std::chrono::milliseconds idleTimeout{30000};    // no byte for this long
  std::chrono::milliseconds wholeRequest{600000};  // a server that trickles forever
  uint64_t maxFileBytes = 256ULL << 20;
  int maxRedirects = 10;
};

// Requests to the maker's site for the update: never answered from a cache,
// TLS verified, redirects followed a bounded number of times.
class SiteFetch final {
 public:
  // `stopRequested` (may be empty) ends a request early, as a failure to reach.
  SiteFetch(const std::string& agent, FetchLimits limits, std::function<bool()> stopRequested = {});
  ~SiteFetch();
  SiteFetch(const SiteFetch&) = delete;
  SiteFetch& operator=(const SiteFetch&) = delete;

  // The first `limit` bytes of the body (all of it when shorter).
  FetchOutcome ReadStart(const std::string& url, size_t limit, std::string& out);

  // The whole body into a new file at `path` (whatever was there is unlinked, never
  // written through). Complete means the transfer ended cleanly and, when the
  // answer named a length, exactly that many bytes arrived and were written and
  // synced. On any failure the file is removed.
  FetchOutcome SaveNewFile(const std::string& url, const std::filesystem::path& path, uint64_t& bytes);

 private:
  FetchLimits limits_;
  std::function<bool()> stopRequested_;
  std::unique_ptr<net::CurlSession> session_;
};

}  // namespace vexon::update
