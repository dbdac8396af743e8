#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/curl_session.h"
#include "net/request_gate.h"
#include "net/url.h"

namespace vexon::net {

inline constexpr const char* kTaskUserAgent = "TuneSnag";
inline constexpr size_t kMaxPageBytes = 16u * 1024u * 1024u;

// However a server answers (a header line every few seconds, a body without end),
// a link check and a page read end by these, the one retry included.
struct TaskDeadlines {
  std::chrono::milliseconds linkCheck{30000};
  std::chrono::milliseconds pageRead{60000};
};

SessionSettings TaskSessionSettings();
SessionSettings RetrySessionSettings(const std::string& server);

// The HTTP work of one search task: a session kept while requests go to the same
// server, one retry with a fresh session after a network error, and a reader that
// takes text pages only. Every step looks at the stop predicate.
class TaskHttp final {
 public:
  explicit TaskHttp(std::function<bool()> stopRequested, SessionSettings settings = TaskSessionSettings(),
                    TaskDeadlines deadlines = {});
  ~TaskHttp();

  // A GET of the URL, ended by the link-check deadline. Returns the HTTP status, a
  // network error code, or 0 when stopped. `handler` sees the answer; `out`
  // (optional) receives the result.
  int OpenGetRequest(const UrlParts& url, TransferHandler& handler, TransferResult* out = nullptr);

  // Reads a text page whole. Line feeds are written as CR LF. False for a failed
  // or stopped fetch, a status other than 200 or a type that is not text; then
  // `failure` (optional) receives the HTTP status or network error code that ended
  // it, 0 when stopped.
  bool FetchPage(const UrlParts& url, std::string& pageBytes, std::string& contentType, int* failure = nullptr);

  // Drops the session and its connection.
  void CloseAll();

  // From now on a 429 or 503 answer is waited out and asked again (see
  // TryWhileAskedLater), and each try first takes a slot of `gate` (none: no gate).
  void WaitWhenAsked(RequestGate* gate) {
    waitWhenAsked_ = true;
    gate_ = gate;
  }

 private:
  // One request, or its tries while the server asks to come back later.
  int Request(const UrlParts& url, TransferHandler& handler, TransferResult& result, std::chrono::milliseconds deadline,
              const std::function<void()>& beforeTry);
  int OpenGetRequest(const UrlParts& url, TransferHandler& handler, TransferResult& result,
                     CurlSession::Deadline deadline);
  int Reopen(const UrlParts& url, TransferHandler& handler, TransferResult& result, CurlSession::Deadline deadline);

  std::function<bool()> stopRequested_;
  SessionSettings settings_;
  TaskDeadlines deadlines_;
  std::unique_ptr<CurlSession> session_;
  bool waitWhenAsked_ = false;
  RequestGate* gate_ = nullptr;
};

}  // namespace vexon::net
