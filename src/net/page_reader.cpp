#include "net/page_reader.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "net/page_decode.h"
#include "net/task_http.h"
#include "net/url.h"
#include "text/strings.h"

namespace vexon::net {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kDefaultReceiveTimeout{30000};
constexpr std::chrono::milliseconds kDefaultConnectTimeout{30000};

class ReaderHandler final : public TransferHandler {
 public:
  ReaderHandler(PageReader& reader, const std::function<bool(const char*, size_t)>& sink, bool headOnly, bool textOnly,
                const StatusSink& statusSink, std::string host)
      : reader_(reader),
        sink_(sink),
        headOnly_(headOnly),
        textOnly_(textOnly),
        statusSink_(statusSink),
        host_(std::move(host)) {}

  bool ShouldStop() override { return reader_.stopRequested && reader_.stopRequested(); }

  bool OnHead(const ResponseHead& head) override {
    if (textOnly_ && !IsTextType(head.contentType)) return false;
    return !headOnly_;
  }

  bool OnBody(const char* data, size_t size) override {
    if (!sink_(data, size)) return false;
    total_ += size;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    const auto seconds = static_cast<long long>(std::llround(elapsed));
    if (seconds == 0) {
      reader_.rate = static_cast<double>(total_);
      Show(text::Format("Read %llu bytes", static_cast<unsigned long long>(total_)));
    } else {
      reader_.rate = static_cast<double>(total_) / 1024.0 / static_cast<double>(seconds);
      Show(text::Format("Read %llu bytes (%0.1f Kb/s)", static_cast<unsigned long long>(total_), reader_.rate));
    }
    return true;
  }

  void OnStage(Stage stage, const std::string&) override {
    switch (stage) {
      case Stage::Resolving: Show(text::Format("Resolving name for %s", host_.c_str())); break;
      case Stage::Resolved: Show(text::Format("Resolved name for %s", host_.c_str())); break;
      case Stage::Connecting: Show("Connecting to socket address "); break;
      case Stage::Connected: Show("Connected to socket address"); break;
      case Stage::RequestSent:
        Show("Sending request...");
        Show("Request sent");
        break;
      case Stage::ResponseReceived: Show("Response received"); break;
      case Stage::Redirect: break;
    }
  }

  void Show(const std::string& text) {
    reader_.statusText = text;
    if (statusSink_) statusSink_(text);
  }

 private:
  PageReader& reader_;
  const std::function<bool(const char*, size_t)>& sink_;
  bool headOnly_;
  bool textOnly_;
  const StatusSink& statusSink_;
  std::string host_;
  uint64_t total_ = 0;
  Clock::time_point start_ = Clock::now();
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

PageReader::PageReader() = default;
PageReader::~PageReader() = default;

bool PageReader::EnsureSession(const std::string& agent) {
  const std::string wanted = agent.empty() ? kApplicationAgent : agent;
  if (session_ && sessionAgent_ == wanted) return true;
  SessionSettings s;
  s.userAgent = wanted;
  s.connectTimeout = kDefaultConnectTimeout;
  s.connectRetries = 0;
  s.idleTimeout = receiveTimeout.count() > 0 ? receiveTimeout : kDefaultReceiveTimeout;
  s.noCache = reload;
  if (useProxy) s.proxy = proxyHost + ":" + std::to_string(proxyPort);
  session_ = std::make_unique<CurlSession>(std::move(s));
  sessionAgent_ = wanted;
  return true;
}

bool PageReader::Read(const std::string& url, const std::function<bool(const char*, size_t)>& sink, bool headOnly,
                      bool textOnly, const StatusSink& statusSink) {
  headers.clear();
  contentType.clear();
  retryAfter.clear();
  status = 0;
  lastError = NetError::kNone;
  UrlParts parts;
  if (!PrepareUrl(url, parts)) {
    lastError = NetError::kInvalidUrl;
    return false;
  }
  ReaderHandler handler(*this, sink, headOnly, textOnly, statusSink, parts.server);
  TransferResult result = session_->Get(RequestUrl(parts), {}, handler, Clock::now() + deadline);
  status = static_cast<unsigned>(result.head.status);
  headers = result.head.rawHeaders;
  contentType = result.head.contentType;
  retryAfter = result.head.retryAfter;
  handler.Show("");
  if (result.stopped || !result.headReceived) {
    lastError = result.error;
    return false;
  }
  if (result.error != NetError::kNone || (result.endedEarly && !headOnly)) {
    lastError = result.error;
    return false;
  }
  lastHead_ = result.head;
  return true;
}

bool PageReader::ReadUrl(const std::string& url, std::string& out, const std::string& agent,
                         const StatusSink& statusSink) {
  out.clear();
  EnsureSession(agent);
  const std::function<bool(const char*, size_t)> sink = [&](const char* data, size_t size) {
    if (size > kMaxPageBytes - out.size()) return false;
    out.append(data, size);
    return true;
  };
  if (Read(url, sink, false, true, statusSink)) return true;
  out.clear();
  return false;
}

bool PageReader::SaveUrlToFile(const std::string& url, const std::string& path, const std::string& agent,
                               const StatusSink& statusSink, uint64_t maxBytes) {
  fileNotWritable = false;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    fileNotWritable = true;
    return false;
  }
  EnsureSession(agent);
  uint64_t written = 0;
  const std::function<bool(const char*, size_t)> sink = [&](const char* data, size_t size) {
    if (size > maxBytes - written) return false;
    written += size;
    return std::fwrite(data, 1, size, file.get()) == size;
  };
  const bool ok = Read(url, sink, false, false, statusSink);
  return std::fflush(file.get()) == 0 && ok;
}

bool PageReader::QueryUrlHeaders(const std::string& url, std::string& lastModified, uint64_t& contentLength,
                                 unsigned& statusOut, const std::string& agent, const StatusSink& statusSink) {
  lastModified.clear();
  contentLength = 0;
  statusOut = 0;
  EnsureSession(agent);
  const std::function<bool(const char*, size_t)> sink = [](const char*, size_t) { return true; };
  const bool ok = Read(url, sink, true, false, statusSink);
  statusOut = status;
  if (!ok) return false;
  lastModified = lastHead_.lastModified;
  if ((lastHead_.lastModified.empty() || !lastHead_.contentLength) && status > 399) return false;
  contentLength = lastHead_.contentLength.value_or(0);
  return true;
}

}  // namespace vexon::net
