#include "net/task_http.h"

#include "net/net_errors.h"
#include "net/page_decode.h"
#include "net/retry_later.h"

namespace vexon::net {
namespace {

constexpr std::chrono::milliseconds kTimeoutRetryPause{500};

// Wraps the caller's handler to add the stop test to every poll.
class StoppableHandler final : public TransferHandler {
 public:
  StoppableHandler(TransferHandler& inner, const std::function<bool()>& stop) : inner_(inner), stop_(stop) {}
  bool ShouldStop() override { return stop_() || inner_.ShouldStop(); }
  bool OnHead(const ResponseHead& head) override { return inner_.OnHead(head); }
  bool OnBody(const char* data, size_t size) override { return inner_.OnBody(data, size); }
  void OnStage(Stage stage, const std::string& detail) override { inner_.OnStage(stage, detail); }

 private:
  TransferHandler& inner_;
  const std::function<bool()>& stop_;
};

class PageHandler final : public TransferHandler {
 public:
  explicit PageHandler(std::string& page) : page_(page) {}
  bool OnHead(const ResponseHead& head) override {
    contentType = head.contentType;
    // Only a 200 text page is read; anything else is refused before its body.
    return head.status == 200 && IsTextType(head.contentType);
  }
  bool OnBody(const char* data, size_t size) override {
    for (size_t i = 0; i < size; ++i) {
      if (data[i] == '\n') page_.push_back('\r');
      page_.push_back(data[i]);
    }
    if (page_.size() > kMaxPageBytes) {
      page_.resize(kMaxPageBytes);
      truncated = true;
      return false;
    }
    return true;
  }
  // Before each try: nothing of an earlier answer stays.
  void Reset() {
    page_.clear();
    contentType.clear();
    truncated = false;
  }
  std::string contentType;
  bool truncated = false;

 private:
  std::string& page_;
};

}  // namespace

SessionSettings TaskSessionSettings() {
  SessionSettings s;
  s.userAgent = kTaskUserAgent;
  s.connectTimeout = std::chrono::milliseconds(5000);
  s.connectRetries = 1;
  s.connectRetryPause = std::chrono::milliseconds(1000);
  s.idleTimeout = std::chrono::milliseconds(5000);
  return s;
}

// The one retry waits longer to connect and names itself after the server.
SessionSettings RetrySessionSettings(const std::string& server) {
  SessionSettings s = TaskSessionSettings();
  s.userAgent = server;
  s.connectTimeout = std::chrono::milliseconds(30000);
  s.connectRetries = 2;
  s.idleTimeout = std::chrono::milliseconds(30000);
  return s;
}

TaskHttp::TaskHttp(std::function<bool()> stopRequested, SessionSettings settings, TaskDeadlines deadlines)
    : stopRequested_(std::move(stopRequested)), settings_(std::move(settings)), deadlines_(deadlines) {}

TaskHttp::~TaskHttp() = default;

void TaskHttp::CloseAll() {
  session_.reset();
}

int TaskHttp::OpenGetRequest(const UrlParts& url, TransferHandler& handler, TransferResult* out) {
  TransferResult local;
  return Request(url, handler, out ? *out : local, deadlines_.linkCheck, nullptr);
}

int TaskHttp::Request(const UrlParts& url, TransferHandler& handler, TransferResult& result,
                      std::chrono::milliseconds deadline, const std::function<void()>& beforeTry) {
  const auto once = [&] {
    if (beforeTry) beforeTry();
    // Each try has the whole deadline: the waits between them are not the server's
    // slowness.
    return OpenGetRequest(url, handler, result, std::chrono::steady_clock::now() + deadline);
  };
  if (!waitWhenAsked_) return once();
  return TryWhileAskedLater(
      [&](std::string& retryAfter) {
        const GatePass pass(gate_, stopRequested_);
        if (!pass.entered()) return 0;
        const int status = once();
        retryAfter = result.head.retryAfter;
        return status;
      },
      stopRequested_);
}

int TaskHttp::OpenGetRequest(const UrlParts& url, TransferHandler& handler, TransferResult& result,
                             CurlSession::Deadline deadline) {
  if (url.server.empty() || url.object.empty()) return 0;
  if (stopRequested_()) return 0;
  if (!session_) session_ = std::make_unique<CurlSession>(settings_);
  StoppableHandler stoppable(handler, stopRequested_);
  result = session_->Get(RequestUrl(url), {}, stoppable, deadline);
  if (result.stopped || stopRequested_()) return 0;
  if (!result.headReceived) {
    // Opening or sending failed: one retry with a fresh session, unless the
    // deadline has already ended the request.
    const NetError error = result.error;
    CloseAll();
    if (result.deadlinePassed) return Code(error);
    if (error == NetError::kTimeout && !SleepUnlessStopped(kTimeoutRetryPause, stopRequested_)) {
      return 0;
    }
    const int retried = Reopen(url, handler, result, deadline);
    if (retried != 200) return retried;
  }
  if (stopRequested_()) return 0;
  return result.head.status;
}

int TaskHttp::Reopen(const UrlParts& url, TransferHandler& handler, TransferResult& result,
                     CurlSession::Deadline deadline) {
  session_ = std::make_unique<CurlSession>(RetrySessionSettings(url.server));
  StoppableHandler stoppable(handler, stopRequested_);
  result = session_->Get(RequestUrl(url), {}, stoppable, deadline);
  if (result.stopped) return 0;
  if (!result.headReceived) {
    CloseAll();
    return Code(result.error);
  }
  return 200;
}

bool TaskHttp::FetchPage(const UrlParts& url, std::string& pageBytes, std::string& contentType, int* failure) {
  PageHandler handler(pageBytes);
  TransferResult result;
  const int status = Request(url, handler, result, deadlines_.pageRead, [&] { handler.Reset(); });
  contentType = handler.contentType;
  // An error while reading the body fails the page; an oversized page keeps its
  // first part.
  const bool bodyRead = result.error == NetError::kNone && (!result.endedEarly || handler.truncated);
  const bool read = status == 200 && IsTextType(handler.contentType) && bodyRead;
  const bool stopped = stopRequested_();
  if (failure != nullptr && !read && !stopped) {
    *failure =
        status != 200 ? status : Code(result.error != NetError::kNone ? result.error : NetError::kConnectionAborted);
  }
  return read && !stopped;
}

}  // namespace vexon::net
