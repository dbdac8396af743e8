#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/net_errors.h"

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
  std::string proxy;              // "host:port"; empty: the environment's settings
  long bufferSize = 64L * 1024L;  // the largest chunk handed to OnBody
  // How often ShouldStop is asked while the library waits. A caller whose stop
  // calls Wake() can wait longer.
  std::chrono::milliseconds stopPoll{20};
};

// The head of the final answer (after redirects).
struct ResponseHead {
  int status = 0;
  std::string statusLine;
  std::string contentType;
  std::string contentLengthText;  // as sent (the last line of several); empty when absent
  // Its leading digits, as libcurl reads them; unset when absent, without digits or
  // beyond what libcurl can hold (it then ignores the length and reads to the close).
  std::optional<uint64_t> contentLength;
  // Content-Length lines (or a list in one line) that name different lengths:
  // libcurl would read the body to whichever came last.
  bool contentLengthsDisagree = false;
  // Transfer-Encoding names chunked: the body marks its own end and libcurl reads
  // it whatever Content-Length says.
  bool chunked = false;
  std::string lastModified;
  std::string contentRange;
  std::string retryAfter;
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
  // The pause before a connect is tried again; false when stopped meanwhile.
  virtual bool Pause(std::chrono::milliseconds duration);
};

struct TransferResult {
  // kNone when the exchange worked (the head arrived and the body was read as far
  // as the handler wanted).
  NetError error = NetError::kNone;
  bool stopped = false;     // ShouldStop ended it
  bool endedEarly = false;  // the handler ended it in OnHead or OnBody
  bool headReceived = false;
  bool deadlinePassed = false;  // ended by the request's deadline (error is the time-out)
  ResponseHead head;
  uint64_t bodyBytes = 0;
};

// The program's one HTTP client: a libcurl easy handle driven by its own multi
// handle, so the connection is kept while requests go to the same server, and a stop
// is seen within a few tens of milliseconds even while the library waits. Every
// option is set, and checked, once when the session is made.
class CurlSession final {
 public:
  explicit CurlSession(SessionSettings settings);
  ~CurlSession();
  CurlSession(const CurlSession&) = delete;
  CurlSession& operator=(const CurlSession&) = delete;

  // False when the library refused the session or one of its options: every
  // request then fails at once.
  bool ok() const { return ok_; }

  using Deadline = std::chrono::steady_clock::time_point;
  static constexpr Deadline kNoDeadline = Deadline::max();

  // A GET of `url` (already made safe for the request line) with extra request
  // header lines ("Range: bytes=10-"). Whatever the server does, it ends by
  // `deadline` (connect retries included) with the time-out error.
  TransferResult Get(const std::string& url, const std::vector<std::string>& headers, TransferHandler& handler,
                     Deadline deadline = kNoDeadline);

  const SessionSettings& settings() const { return settings_; }
  // Ends the current wait on the network at once, so ShouldStop is asked. Safe
  // from any thread while the session lives.
  void Wake();

 private:
  struct Handles;
  struct TransferState;

  bool SetOptions();
  TransferResult Attempt(const std::string& url, const std::vector<std::string>& headers, TransferHandler& handler,
                         Deadline deadline, bool& connected);

  SessionSettings settings_;
  std::unique_ptr<Handles> handles_;
  std::unique_ptr<TransferState> state_;
  bool ok_ = false;
};

// Maps a libcurl result code to the program's network errors.
NetError NetErrorFromCurlCode(int curlCode);

// Sleeps up to `duration`, waking early when `stop` says so. Returns false if stopped.
bool SleepUnlessStopped(std::chrono::milliseconds duration, const std::function<bool()>& stop);

// A Content-Length value read as libcurl reads it: blanks, then decimal digits up
// to the first other character. Unset without digits or above 2^63 - 1.
std::optional<uint64_t> ParseContentLength(std::string_view value);

// "bytes START-END/TOTAL" or "bytes */TOTAL": the start (UINT64_MAX for "*" or
// none) and the total (UINT64_MAX when not a number).
void ParseContentRange(std::string_view value, uint64_t& start, uint64_t& total);

// Folds one header line ("Name: value") of an answer into `head`; repeated
// Content-Length values that disagree are marked, chunked coding is noted.
void ParseHeaderLine(ResponseHead& head, std::string_view line);

}  // namespace vexon::net
