#include "download/transfer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "download/file_digest.h"
#include "download/partial_file.h"
#include "net/net_errors.h"
#include "net/page_reader.h"
#include "net/retry_later.h"
#include "net/url.h"
#include "text/strings.h"

namespace vexon::download {
namespace {

using Clock = std::chrono::steady_clock;

// A rate limit needs small chunks to be kept closely; without one, larger chunks
// cost less per byte.
constexpr long kLimitedChunk = 16L * 1024L;
constexpr long kFreeChunk = 512L * 1024L;
// Restarts from offset 0 (a refused or mismatched range) before giving up.
constexpr int kMaxAttempts = 3;

int64_t Millis(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

// One request of a download: decides on the answer's head, writes the body, keeps
// to the rate limit and reports progress.
class TransferRun final : public net::TransferHandler {
 public:
  enum class Outcome { kNone, kRestart, kAlreadyComplete, kAskedLater, kFailed };

  TransferRun(net::StopSignal& stop, const TransferContext& context, PartialFile& file, uint64_t& resumeOffset,
              FileDigest* digest, const TransferReporter& report)
      : stop_(stop), context_(context), file_(file), resumeOffset_(resumeOffset), digest_(digest), report_(report) {}

  Outcome outcome = Outcome::kNone;
  TransferFault failure;
  std::string retryAfter;  // of a kAskedLater answer

  bool ShouldStop() override { return stop_.requested(); }
  bool Pause(std::chrono::milliseconds duration) override { return stop_.SleepFor(duration); }

  void OnStage(net::Stage stage, const std::string& detail) override {
    switch (stage) {
      case net::Stage::Resolving: report_(TransferReport::Step(TransferStep::kResolving, detail)); break;
      case net::Stage::Resolved: report_(TransferReport::Step(TransferStep::kResolved, detail)); break;
      case net::Stage::Connecting: report_(TransferReport::Step(TransferStep::kConnecting, detail)); break;
      case net::Stage::Connected: report_(TransferReport::Step(TransferStep::kConnected, detail)); break;
      case net::Stage::Redirect: report_(TransferReport::Step(TransferStep::kRedirecting, detail)); break;
      default: break;
    }
  }

  bool OnHead(const net::ResponseHead& head) override {
    const int status = head.status;
    if (status == 416 && resumeOffset_ > 0) {
      uint64_t start = 0, total = 0;
      net::ParseContentRange(head.contentRange, start, total);
      // The partial file already holds the whole resource.
      outcome = total == resumeOffset_ ? Outcome::kAlreadyComplete : Outcome::kRestart;
      return false;
    }
    if (net::AsksToRetryLater(status)) {
      // A server under load: the file keeps its bytes and is asked for again.
      Fail(TransferFailure::kBadStatus, status);
      outcome = Outcome::kAskedLater;
      retryAfter = head.retryAfter;
      return false;
    }
    if (status != 200 && status != 206) {
      Fail(TransferFailure::kBadStatus, status);
      return false;
    }
    // A chunked body marks its own end: Content-Length does not count then.
    if (!head.chunked && (head.contentLengthsDisagree || (!head.contentLengthText.empty() && !head.contentLength))) {
      // Two lengths, or one libcurl cannot hold, would make it read to the last one
      // or to the close and call whatever came complete.
      Fail(TransferFailure::kNoResponse, net::Code(net::NetError::kInvalidServerResponse));
      return false;
    }
    if (status == 206) {
      uint64_t start = 0, total = 0;
      net::ParseContentRange(head.contentRange, start, total);
      if (start != resumeOffset_) {
        outcome = Outcome::kRestart;
        return false;
      }
    } else {
      // The whole file, whether the range was ignored or not asked for.
      resumeOffset_ = 0;
    }
    // A body from 0 replaces what the file holds (a range the server ignored, a
    // restart): the old bytes go with its first byte, so a failure before it keeps
    // them.
    dropOldBytes_ = resumeOffset_ == 0 && file_.length() > 0;
    // The digest holds what the partial file held; a body from 0 starts it again.
    if (digest_ != nullptr && resumeOffset_ == 0) digest_->Restart();
    lengthKnown_ = !head.chunked && head.contentLength.has_value();
    contentLength_ = lengthKnown_ ? *head.contentLength : 0;
    report_(TransferReport::Step(TransferStep::kDownloading));
    start_ = Clock::now();
    lastSpeedTick_ = start_;
    return !stop_.requested();
  }

  bool OnBody(const char* data, size_t size) override {
    if (stop_.requested() || !DropOldBytes()) return false;
    int error = 0;
    if (!file_.Write(data, size, error)) {
      Fail(TransferFailure::kTransfer, error);
      return false;
    }
    if (digest_ != nullptr) digest_->Update(data, size);
    Throttle();
    rateLimit_ = static_cast<double>(context_.maxDownloadSpeed.load());
    received_ += size;
    UpdateProgress();
    return !stop_.requested();
  }

  // Empties the file once the body that replaces its bytes begins (or, for an
  // empty body, ends); false after reporting why it could not.
  bool DropOldBytes() {
    if (!dropOldBytes_) return true;
    int error = 0;
    if (!file_.Restart(error)) {
      Fail(TransferFailure::kTransfer, error);
      return false;
    }
    dropOldBytes_ = false;
    return true;
  }
  // The last progress step, for the read that found the end of the body.
  void Finish() { UpdateProgress(); }
  // Complete only with exactly the declared length (any length without one).
  bool ReceivedDeclaredLength() const { return !lengthKnown_ || received_ == contentLength_; }

 private:
  void Fail(TransferFailure kind, int code) {
    outcome = Outcome::kFailed;
    failure = {kind, code};
  }

  // The average rate since the start tick is held to the limit in KB/s (1 KB/s
  // counting as 1000 bytes per second). Measured in microseconds: on loopback a
  // small file can arrive within the first millisecond.
  void Throttle() {
    if (rateLimit_ <= 0.0) return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_).count();
    const double due = static_cast<double>(received_) / rateLimit_ * 1000.0;  // microseconds
    const auto pause = static_cast<int64_t>(due - static_cast<double>(elapsed));
    if (pause > 0) stop_.SleepFor(std::chrono::microseconds(pause));
  }

  // One report when the percent changes and one a second with the rate and the
  // time left.
  void UpdateProgress() {
    TransferProgress progress;
    progress.received = resumeOffset_ + received_;
    bool due = false;
    if (lengthKnown_) {
      const uint64_t total = resumeOffset_ + contentLength_;
      progress.total = total;
      const int percent =
          total == 0 ? 100
                     : static_cast<int>(static_cast<double>(progress.received) * 100.0 / static_cast<double>(total));
      due = percent != lastPercent_;
      lastPercent_ = percent;
    }
    const Clock::time_point now = Clock::now();
    const int64_t sinceSpeed = Millis(lastSpeedTick_, now);
    if (sinceSpeed > 1000) {
      progress.bytesPerMs = static_cast<double>(received_ - receivedAtSpeed_) / static_cast<double>(sinceSpeed);
      lastSpeedTick_ = now;
      receivedAtSpeed_ = received_;
      if (lengthKnown_ && received_ > 0) {
        const double left = contentLength_ > received_ ? static_cast<double>(contentLength_ - received_) : 0.0;
        const double seconds = static_cast<double>(Millis(start_, now)) / static_cast<double>(received_) * left * 0.001;
        progress.secondsLeft = static_cast<uint64_t>(seconds);
      }
      due = true;
    }
    if (due) report_(TransferReport::Progress(progress));
  }

  net::StopSignal& stop_;
  const TransferContext& context_;
  PartialFile& file_;
  uint64_t& resumeOffset_;
  FileDigest* digest_;
  const TransferReporter& report_;
  bool dropOldBytes_ = false;
  bool lengthKnown_ = false;
  uint64_t contentLength_ = 0;
  uint64_t received_ = 0;
  uint64_t receivedAtSpeed_ = 0;
  int lastPercent_ = 0;
  double rateLimit_ = 0.0;  // the first chunk is never held back
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastSpeedTick_ = start_;
};

}  // namespace

net::SessionSettings DownloadSessionSettings() {
  net::SessionSettings s;
  s.userAgent = net::kApplicationAgent;
  s.connectTimeout = std::chrono::milliseconds(100000);
  s.connectRetries = 3;
  s.connectRetryPause = std::chrono::milliseconds(1000);
  s.idleTimeout = std::chrono::milliseconds(300000);
  s.maxRedirects = 10;
  s.noCache = true;
  s.bufferSize = kFreeChunk;
  // A stop wakes the session; the poll only guards against a lost wake-up.
  s.stopPoll = std::chrono::milliseconds(1000);
  return s;
}

long ChunkSizeFor(unsigned maxDownloadSpeed) {
  return maxDownloadSpeed > 0 ? kLimitedChunk : kFreeChunk;
}

bool RunTransfer(DownloadTask& task, net::CurlSession& session, net::StopSignal& stop, const TransferContext& context,
                 const TransferReporter& report) {
  if (stop.requested()) return false;
  net::UrlParts parts;
  if (!net::PrepareUrl(task.url(), parts)) return false;
  uint64_t resumeOffset = 0;
  PartialFile file;
  int error = 0;
  if (!file.Open(task.PartialPath(), task.resume, resumeOffset, error)) {
    report(TransferReport::Failed(TransferFailure::kOpen, error));
    return false;
  }
  task.resumeOffset = resumeOffset;
  // A file with a recorded digest is complete only when its bytes hash to it; a
  // resumed one hashes what it already holds first.
  const std::optional<ExpectedDigest> expected = ExpectedDigest::Read(task.target->digest);
  std::optional<FileDigest> digest;
  if (expected) {
    digest.emplace(expected->kind);
    if (resumeOffset > 0 && !digest->UpdateFromFile(task.PartialPath(), resumeOffset, error)) {
      file.Close();
      report(TransferReport::Failed(TransferFailure::kOpen, error));
      return false;
    }
  }
  const auto verified = [&] {
    if (!expected || digest->FinishHex() == expected->hex) return true;
    file.Close();
    report(TransferReport::Failed(TransferFailure::kDigest, expected->kind == ExpectedDigest::Kind::kMd5 ? 1 : 2));
    return false;
  };
  const net::StopSignalAttachment wakeOnStop(stop, [&session] { session.Wake(); });
  const std::string url = net::RequestUrl(parts);
  const auto fail = [&](TransferFailure kind, int code) {
    file.Close();
    report(TransferReport::Failed(kind, code));
    return false;
  };
  net::RetryLater later;
  for (int restarts = 0; restarts < kMaxAttempts;) {
    std::vector<std::string> headers;
    if (resumeOffset > 0)
      headers.push_back(text::Format("Range: bytes=%llu-", static_cast<unsigned long long>(resumeOffset)));
    TransferRun run(stop, context, file, resumeOffset, digest ? &*digest : nullptr, report);
    const net::TransferResult result = session.Get(url, headers, run);
    if (stop.requested() || result.stopped) return false;
    if (run.outcome == TransferRun::Outcome::kAskedLater) {
      const std::optional<std::chrono::milliseconds> wait = later.NextWait(run.retryAfter, std::time(nullptr));
      if (!wait) return fail(run.failure.kind, run.failure.code);
      const long long seconds = (wait->count() + 999) / 1000;
      report(TransferReport::Step(TransferStep::kWaitingToRetry, text::Format("%lld", seconds)));
      if (!stop.SleepFor(*wait)) return false;
      continue;
    }
    if (run.outcome == TransferRun::Outcome::kFailed) return fail(run.failure.kind, run.failure.code);
    // No answer at all (offline, refused, no name, silence) says nothing about the
    // range: the partial file keeps every byte for a later resume. Only a server
    // that answers a range wrongly makes the download start again from 0.
    if (!result.headReceived) return fail(TransferFailure::kConnect, net::Code(result.error));
    if (run.outcome == TransferRun::Outcome::kAlreadyComplete) return verified();
    if (run.outcome == TransferRun::Outcome::kRestart) {
      // Asked again from 0; the file keeps its bytes until the new body begins.
      resumeOffset = 0;
      ++restarts;
      continue;
    }
    // A body that ends before its length, or stalls, is a failure: what arrived
    // stays in the partial file for a later resume.
    if (result.error != net::NetError::kNone) {
      return fail(TransferFailure::kTransfer, net::Code(result.error));
    }
    if (!run.ReceivedDeclaredLength()) {
      return fail(TransferFailure::kTransfer, net::Code(net::NetError::kConnectionAborted));
    }
    if (!run.DropOldBytes()) return fail(run.failure.kind, run.failure.code);
    run.Finish();
    if (!file.Flush(error)) return fail(TransferFailure::kTransfer, error);
    if (!verified()) return false;
    file.Close();
    return !stop.requested();
  }
  return fail(TransferFailure::kBadStatus, 416);
}

}  // namespace vexon::download
