#include "update/site_fetch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <optional>
#include <system_error>

#include "net/curl_session.h"
#include "net/net_errors.h"
#include "net/url.h"

namespace vexon::update {
namespace {

using Clock = std::chrono::steady_clock;
using BodySink = std::function<bool(const char*, size_t)>;

// Judges one answer: a 2xx status, a declared length within the limit, and a body
// handed to `sink` until it has enough or fails.
class FetchHandler final : public net::TransferHandler {
 public:
  FetchHandler(const BodySink& sink, uint64_t maxBytes, const std::function<bool()>& stop)
      : sink_(sink), maxBytes_(maxBytes), stop_(stop) {}

  bool ShouldStop() override { return stop_ && stop_(); }

  void OnStage(net::Stage stage, const std::string&) override {
    if (stage == net::Stage::Connected) connected = true;
  }

  bool OnHead(const net::ResponseHead& head) override {
    if (head.status < 200 || head.status > 299) {
      badStatus = true;
      return false;
    }
    if (head.contentLength && *head.contentLength > maxBytes_) {
      overLimit = true;
      return false;
    }
    return true;
  }

  bool OnBody(const char* data, size_t size) override {
    received += size;
    if (received > maxBytes_) {
      overLimit = true;
      return false;
    }
    if (!sink_(data, size)) {
      sinkEnded = true;
      return false;
    }
    return true;
  }

  bool connected = false;
  bool badStatus = false;
  bool overLimit = false;
  bool sinkEnded = false;
  uint64_t received = 0;

 private:
  const BodySink& sink_;
  uint64_t maxBytes_;
  const std::function<bool()>& stop_;
};

struct Transfer {
  FetchOutcome outcome = FetchOutcome::kDone;
  bool sinkEnded = false;  // the sink asked to end (enough, or a failed write)
  std::optional<uint64_t> declaredLength;
  uint64_t bodyBytes = 0;
};

bool IsWebScheme(const std::string& scheme) {
  std::string lower;
  for (char c : scheme) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  return lower == "http" || lower == "https";
}

Transfer Run(net::CurlSession& session, const std::string& url, const BodySink& sink, uint64_t maxBytes,
             std::chrono::milliseconds wholeRequest, const std::function<bool()>& stop) {
  Transfer t;
  net::UrlParts parts;
  if (url.find("://") == std::string::npos || !net::PrepareUrl(url, parts) || !IsWebScheme(parts.scheme)) {
    t.outcome = FetchOutcome::kOpenFailed;
    return t;
  }
  FetchHandler handler(sink, maxBytes, stop);
  const net::TransferResult result = session.Get(net::RequestUrl(parts), {}, handler, Clock::now() + wholeRequest);
  t.sinkEnded = handler.sinkEnded;
  t.declaredLength = result.head.contentLength;
  t.bodyBytes = handler.received;
  if (!result.headReceived) {
    const bool unreachable =
        !handler.connected &&
        (result.error == net::NetError::kNameNotResolved || result.error == net::NetError::kCannotConnect ||
         result.error == net::NetError::kTimeout || result.stopped || result.deadlinePassed);
    t.outcome = unreachable ? FetchOutcome::kNoConnection : FetchOutcome::kOpenFailed;
  } else if (handler.badStatus) {
    t.outcome = FetchOutcome::kOpenFailed;
  } else if (handler.overLimit || result.stopped || result.error != net::NetError::kNone) {
    t.outcome = FetchOutcome::kReadFailed;
  } else if (result.endedEarly && !handler.sinkEnded) {
    t.outcome = FetchOutcome::kReadFailed;
  }
  return t;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

SiteFetch::SiteFetch(const std::string& agent, FetchLimits limits, std::function<bool()> stopRequested)
    : limits_(limits), stopRequested_(std::move(stopRequested)) {
  net::SessionSettings s;
  s.userAgent = agent;
  s.connectTimeout = limits_.connectTimeout;
  s.connectRetries = 0;
  s.idleTimeout = limits_.idleTimeout;
  s.maxRedirects = limits_.maxRedirects;
  s.noCache = true;
  session_ = std::make_unique<net::CurlSession>(std::move(s));
}

SiteFetch::~SiteFetch() = default;

FetchOutcome SiteFetch::ReadStart(const std::string& url, size_t limit, std::string& out) {
  out.clear();
  const BodySink sink = [&](const char* data, size_t size) {
    const size_t room = limit - out.size();
    out.append(data, size < room ? size : room);
    return out.size() < limit;
  };
  const Transfer t = Run(*session_, url, sink, UINT64_MAX, limits_.wholeRequest, stopRequested_);
  // Ending the transfer once `limit` bytes are in is success, not a cut.
  if (t.outcome != FetchOutcome::kDone) out.clear();
  return t.outcome;
}

FetchOutcome SiteFetch::SaveNewFile(const std::string& url, const std::filesystem::path& path, uint64_t& bytes) {
  bytes = 0;
  // A file left at this name (perhaps a link planted by someone else) is replaced,
  // never followed.
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return FetchOutcome::kReadFailed;
  bool writeFailed = false;
  const BodySink sink = [&](const char* data, size_t size) {
    if (!WriteAll(fd, data, size)) {
      writeFailed = true;
      return false;
    }
    bytes += size;
    return true;
  };
  Transfer t = Run(*session_, url, sink, limits_.maxFileBytes, limits_.wholeRequest, stopRequested_);
  if (t.outcome == FetchOutcome::kDone &&
      (writeFailed || t.sinkEnded || (t.declaredLength && *t.declaredLength != bytes) || t.bodyBytes != bytes)) {
    t.outcome = FetchOutcome::kReadFailed;
  }
  const bool synced = ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (t.outcome == FetchOutcome::kDone && (!synced || !closed)) t.outcome = FetchOutcome::kReadFailed;
  if (t.outcome != FetchOutcome::kDone) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    bytes = 0;
  }
  return t.outcome;
}

}  // namespace vexon::update
