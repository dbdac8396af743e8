#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vexon::net {

struct SessionSettings {
  std::string userAgent;
  std::chrono::milliseconds connectTimeout{5000};
  int connectRetries = 1;
  std::chrono::milliseconds connectRetryPause{1000};
  // A receive time-out: no byte for that long once connected. Zero: none.
  std::chrono::milliseconds idleTimeout{5000};
  int maxRedirects = 10;
  bool noCache = true;
  std::string proxy;  // "host:port"; empty: the environment's settings
  long bufferSize = 64L * 1024L;  // the largest chunk handed to OnBody
};

// The head of the final answer (after redirects).
struct ResponseHead {
  int status = 0;
  std::string statusLine;
  std::string contentType;
  std::string contentLengthText;  // as sent; empty when absent
  std::optional<uint64_t> contentLength;
  std::string lastModified;
  std::string contentRange;
  std::string rawHeaders;
};

// Steps of a request; the detail is the host (Resolving), the address (Resolved,
// Connecting, Connected) or the new location (Redirect).
enum class Stage { Resolving, Resolved, Connecting, Connected, RequestSent, ResponseReceived, Redirect };

// Callbacks run on the calling thread while a request is under way.
class TransferHandler {
 public:
  virtual ~TransferHandler() = default;
  // Polled often, also while the library waits on the network.
  virtual bool ShouldStop() { return false; }
  // The final answer's head; return false to end the transfer before its body.
  virtual bool OnHead(const ResponseHead& /*head*/) { return true; }
  // A chunk of the body; return false to end the transfer.
  virtual bool OnBody(const char* /*data*/, size_t /*size*/) { return true; }
  virtual void OnStage(Stage /*stage*/, const std::string& /*detail*/) {}
};

struct TransferResult {
  // 0 when the exchange worked (the head arrived and the body was read as far as
  // the handler wanted), else a network error code.
  int error = 0;
  bool stopped = false;     // ShouldStop ended it
  bool endedEarly = false;  // the handler ended it in OnHead or OnBody
  bool headReceived = false;
  ResponseHead head;
  uint64_t bodyBytes = 0;
};

// One HTTP client: a libcurl easy handle driven by its own multi handle, so the
// connection is kept while requests go to the same server, and a stop is seen
// within a few tens of milliseconds even while the library waits.
class CurlSession final {
 public:
  explicit CurlSession(SessionSettings settings);
  ~CurlSession();
  CurlSession(const CurlSession&) = delete;
  CurlSession& operator=(const CurlSession&) = delete;

  // A GET of `url` (already made safe for the request line) with extra request
  // header lines ("Range: bytes=10-").
  TransferResult Get(const std::string& url, const std::vector<std::string>& headers,
                     TransferHandler& handler);

  const SessionSettings& settings() const { return settings_; }

 private:
  TransferResult Attempt(const std::string& url, const std::vector<std::string>& headers,
                         TransferHandler& handler, bool& connected);

  SessionSettings settings_;
  void* easy_ = nullptr;
  void* multi_ = nullptr;
};

// Maps a libcurl result code to the program's network error codes.
int NetErrorFromCurlCode(int curlCode);

// Sleeps up to `duration`, waking early when `stop` says so. Returns false if stopped.
bool SleepUnlessStopped(std::chrono::milliseconds duration, const std::function<bool()>& stop);

}  // namespace vexon::net
