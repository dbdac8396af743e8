#pragma once

// The stand-in server's inside, shared by the files that make it up.

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "standin/audio_content.h"
#include "standin/standin_server.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::standin {
namespace detail {

// httplib listens with a backlog of 5; a burst of 64 link checks would overflow it
// and the kernel would make the dropped clients retry a whole second later.
constexpr int kListenBacklog = 1024;
// A body goes out in pieces this small: each write waits until the client has taken
// about one piece of what came before, so a slow reader shows progress every few KB.
constexpr size_t kWritePiece = 16 * 1024;
// httplib's own write timeout (or the option's, when shorter): how long a piece
// waits in one go before a stop or the option's limit is looked at, so a stop waits
// no longer for a client that stopped reading. Headers and the whole-page bodies
// httplib writes itself have this long per wait, as they always had.
constexpr std::chrono::milliseconds kWriteWaitSlice{5000};
constexpr int kKeepAliveMaxCount = 100;
constexpr auto kStartTimeout = std::chrono::seconds(5);

constexpr std::string_view kFilesPrefix = "/files/";
constexpr std::string_view kMovedPrefix = "/moved/";
constexpr std::string_view kHopPrefix = "/hop/";

inline bool IsLoopbackHost(std::string_view host) {
  return host == "localhost" || host == "::1" || text::StartsWith(host, "127.");
}

// The request's Host header goes into the pages; keep anything odd out of them.
inline bool IsPlainHost(std::string_view host) {
  if (host.empty() || host.size() > 255) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == ':' || c == '[' || c == ']';
  });
}

inline std::string ExtensionOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return text::AsciiLower(path.substr(dot + 1));
}

inline const char* ReasonText(int status) {
  switch (status) {
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Error";
  }
}

inline std::string ErrorPage(int status) {
  return text::Format("<html><head><title>%d</title></head><body><h1>%d %s</h1></body></html>\r\n", status, status,
                      ReasonText(status));
}

struct ByteRange {
  uint64_t first = 0;
  uint64_t last = 0;  // inclusive
};

enum class RangeOutcome { kNone, kPartial, kUnsatisfiable };

// One range of "bytes=N-", "bytes=N-M" or "bytes=-M"; several ranges or another
// unit are answered with the whole body, as servers that know only simple ranges do.
inline RangeOutcome ResolveRange(std::string_view header, uint64_t size, ByteRange& range) {
  header = text::Trim(header);
  if (!text::StartsWith(header, "bytes=")) return RangeOutcome::kNone;
  std::string_view rangeText = text::Trim(header.substr(6));
  if (rangeText.find(',') != std::string_view::npos) return RangeOutcome::kNone;
  const size_t dash = rangeText.find('-');
  if (dash == std::string_view::npos) return RangeOutcome::kNone;
  const std::string_view a = text::Trim(rangeText.substr(0, dash));
  const std::string_view b = text::Trim(rangeText.substr(dash + 1));
  auto digits = [](std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (a.empty()) {
    if (!digits(b)) return RangeOutcome::kNone;
    const uint64_t suffix = text::LeadingDigits(b);
    if (suffix == 0 || size == 0) return RangeOutcome::kUnsatisfiable;
    range.first = suffix >= size ? 0 : size - suffix;
    range.last = size - 1;
    return RangeOutcome::kPartial;
  }
  if (!digits(a) || (!b.empty() && !digits(b))) return RangeOutcome::kNone;
  range.first = text::LeadingDigits(a);
  if (range.first >= size) return RangeOutcome::kUnsatisfiable;
  range.last = b.empty() ? size - 1 : std::min(text::LeadingDigits(b), size - 1);
  if (range.last < range.first) return RangeOutcome::kNone;
  return RangeOutcome::kPartial;
}

inline std::string DefaultPoplist() {
  const std::string list =
      "A--新歌速递\r\n"
      "B--热门歌手\r\n"
      "C--经典老歌\r\n"
      "A|||隐形的翅膀|||张韶涵\r\n"
      "A|||千里之外|||周杰伦\r\n"
      "A|||不得不爱\r\n"
      "B|||周杰伦|||七里香\r\n"
      "B|||王菲|||暗香\r\n"
      "B|||刀郎\r\n"
      "C|||月亮代表我的心|||邓丽君\r\n"
      "C|||甜蜜蜜|||邓丽君\r\n"
      "C|||吻别|||张学友\r\n";
  return text::Gb18030FromUtf8(list);
}

}  // namespace detail

class StandinServer::Impl {
 public:
  explicit Impl(StandinOptions options)
      : options_(std::move(options)),
        catalogOptions_(options_.catalog),
        checkDelayMs_(options_.checkDelay.count()),
        metadataDelayMs_(options_.metadataDelay.count()),
        shedAbove_(options_.shedAbove),
        shedRetryAfter_(options_.shedRetryAfter) {}

  ~Impl() { Stop(); }

  bool Start(std::string* error);
  void Stop();
  bool Running() const { return running_; }
  int Port() const { return port_; }
  std::string HostPort() const { return options_.host + ":" + std::to_string(port_.load()); }
  uint64_t Seed() const { return options_.seed; }

  Catalog CurrentCatalog() const {
    std::lock_guard lock(scriptMutex_);
    return Catalog(options_.seed, catalogOptions_);
  }
  void SetCatalogOptions(const CatalogOptions& options) {
    std::lock_guard lock(scriptMutex_);
    catalogOptions_ = options;
  }
  void SetCheckDelay(std::chrono::milliseconds delay) { checkDelayMs_ = delay.count(); }
  ArchiveCatalog CurrentArchive() const {
    return ArchiveCatalog(options_.seed, options_.archiveItems, options_.archiveFilesPerItem);
  }
  void SetMetadataDelay(std::chrono::milliseconds delay) { metadataDelayMs_ = delay.count(); }
  void SetShedding(int above, std::string retryAfter) {
    std::lock_guard lock(countMutex_);
    shedAbove_ = above;
    shedRetryAfter_ = std::move(retryAfter);
  }

  void SetPage(const std::string& key, RawPage page) {
    std::lock_guard lock(scriptMutex_);
    pages_[key] = std::move(page);
  }
  void SetFile(const std::string& path, FileScript script) {
    std::lock_guard lock(scriptMutex_);
    const std::string key = text::AsciiLower(path);
    files_[key] = std::move(script);
    cutsUsed_.erase(key);
    latersUsed_.erase(key);
  }
  void RemovePage(const std::string& key) {
    std::lock_guard lock(scriptMutex_);
    pages_.erase(key);
  }
  void RemoveFile(const std::string& path) {
    std::lock_guard lock(scriptMutex_);
    files_.erase(text::AsciiLower(path));
    cutsUsed_.erase(text::AsciiLower(path));
    latersUsed_.erase(text::AsciiLower(path));
  }
  void ClearScripts() {
    std::lock_guard lock(scriptMutex_);
    pages_.clear();
    files_.clear();
    cutsUsed_.clear();
    latersUsed_.clear();
  }

  StandinCounters Counters() const {
    std::lock_guard lock(countMutex_);
    return counters_;
  }
  std::vector<RequestRecord> Requests() const {
    std::lock_guard lock(countMutex_);
    return records_;
  }
  void ResetCounters() {
    std::lock_guard lock(countMutex_);
    counters_.requests = 0;
    counters_.fileRequests = 0;
    counters_.peakInFlight = counters_.inFlight;
    counters_.peakFilesInFlight = counters_.filesInFlight;
    counters_.peakMetadataInFlight = counters_.metadataInFlight;
    counters_.peakArchiveInFlight = counters_.archiveInFlight;
    counters_.shedAnswers = 0;
    records_.clear();
  }
  bool WaitForIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(countMutex_);
    return idle_.wait_for(lock, timeout, [this] { return counters_.inFlight == 0; });
  }

 private:
  // Counts one request as in flight for as long as it lives; a streamed answer keeps
  // it inside its content provider until httplib has written the body.
  class FlightToken final {
   public:
    FlightToken(Impl& impl, bool file) : impl_(impl), file_(file) {}
    ~FlightToken() { impl_.Leave(file_); }
    FlightToken(const FlightToken&) = delete;
    FlightToken& operator=(const FlightToken&) = delete;

   private:
    Impl& impl_;
    bool file_;
  };

  struct FileRoute {
    FileScript script;
    std::string scriptPath;  // lower-case path the script belongs to
    int hop = 0;             // 0: the path itself; k: "/hop/k<path>"
    bool scripted = false;
  };

  // What a streamed answer needs after the handler has returned.
  struct Transfer {
    std::optional<std::string> bytes;
    std::optional<AudioContent> audio;
    uint64_t start = 0;
    uint64_t length = 0;
    uint64_t cutLimit = std::numeric_limits<uint64_t>::max();
    uint64_t bytesPerSecond = 0;
    std::chrono::milliseconds firstByteDelay{0};
    std::optional<std::chrono::steady_clock::time_point> began;
    std::vector<char> buffer;
    std::shared_ptr<FlightToken> token;
  };

  httplib::Server::HandlerResponse Handle(const httplib::Request& req, httplib::Response& res);
  std::shared_ptr<FlightToken> Enter(const httplib::Request& req, bool file);
  void Leave(bool file);
  bool Pause(std::chrono::milliseconds delay);
  bool PauseUntil(std::chrono::steady_clock::time_point when);
  bool Stopping() const;

  std::optional<RawPage> FindPage(const httplib::Request& req) const;
  std::optional<FileRoute> FindFile(const std::string& lowerPath, const Catalog& catalog) const;
  std::optional<FileRoute> FindFileAt(const std::string& lowerPath, const Catalog& catalog) const;
  static FileScript ScriptForEntry(const CatalogEntry& entry);
  bool TakeCut(const FileRoute& route);
  bool TakeLater(const FileRoute& route);
  // Counts one more of the first `answers` answers to the route's path in `used`
  // (guarded by scriptMutex_); false once they are spent.
  bool TakeOneOf(std::map<std::string, int>& used, const FileRoute& route, int answers);

  void ServeRawPage(const RawPage& page, httplib::Response& res);
  void ServeFile(const httplib::Request& req, httplib::Response& res, const FileRoute& route, const std::string& host,
                 std::shared_ptr<FlightToken> token);
  bool ServeBuiltIn(const httplib::Request& req, httplib::Response& res, const std::string& host,
                    const Catalog& catalog);
  bool Produce(Transfer& t, uint64_t offset, httplib::DataSink& sink);
  bool AwaitRoom(httplib::DataSink& sink);
  std::chrono::milliseconds WriteWaitSlice() const;

  // The archive interface (archive_answers.cpp).
  std::optional<FileRoute> FindArchiveFile(const httplib::Request& req) const;
  bool ServeArchive(const httplib::Request& req, httplib::Response& res, const std::string& host);
  // The md5 and sha1 an item answer gives for `file`, when it gives any.
  std::optional<FileDigests> DigestsOf(const ArchiveFile& file);
  // Counts a request to the archive's own host while it is answered; true when it
  // is one too many and was answered 429.
  bool ShedArchiveRequest(httplib::Response& res);
  void LeaveArchiveRequest();
  void ServeArchiveSearch(const httplib::Request& req, httplib::Response& res);
  void ServeArchiveMetadata(const httplib::Request& req, httplib::Response& res, const std::string& host);
  void ServeArchiveDownload(const httplib::Request& req, httplib::Response& res, const std::string& host);

  StandinOptions options_;
  std::unique_ptr<httplib::Server> server_;
  std::thread listener_;
  std::atomic<bool> running_{false};
  std::atomic<int> port_{0};
  std::atomic<int> listenSocket_{-1};

  mutable std::mutex scriptMutex_;
  CatalogOptions catalogOptions_;
  std::map<std::string, RawPage> pages_;
  std::map<std::string, FileScript> files_;
  std::map<std::string, int> cutsUsed_;
  std::map<std::string, int> latersUsed_;
  std::mutex digestMutex_;
  std::map<std::pair<std::string, uint64_t>, FileDigests> digests_;  // guarded by digestMutex_
  std::atomic<int64_t> checkDelayMs_;
  std::atomic<int64_t> metadataDelayMs_;

  mutable std::mutex countMutex_;
  mutable std::condition_variable idle_;
  StandinCounters counters_;
  std::vector<RequestRecord> records_;
  int shedAbove_;               // guarded by countMutex_
  std::string shedRetryAfter_;  // guarded by countMutex_

  mutable std::mutex stopMutex_;
  std::condition_variable stopSignal_;
  bool stopping_ = false;
};

}  // namespace vexon::standin
