#include "standin/standin_server.h"

#include <httplib.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "standin/audio_content.h"
#include "standin/http_date.h"
#include "standin/result_pages.h"
#include "text/encoding.h"
#include "text/strings.h"

#ifndef VEXON_VERSION_TEXT
#define VEXON_VERSION_TEXT "0.0.0.0"
#endif

namespace vexon::standin {
namespace {

// httplib listens with a backlog of 5; a burst of 64 link checks would overflow it
// and the kernel would make the dropped clients retry a whole second later.
constexpr int kListenBacklog = 1024;
constexpr size_t kWriteChunk = 64 * 1024;
constexpr int kKeepAliveMaxCount = 100;
constexpr auto kStartTimeout = std::chrono::seconds(5);

constexpr std::string_view kFilesPrefix = "/files/";
constexpr std::string_view kMovedPrefix = "/moved/";
constexpr std::string_view kHopPrefix = "/hop/";

bool IsLoopbackHost(std::string_view host) {
  return host == "localhost" || host == "::1" || text::StartsWith(host, "127.");
}

// The request's Host header goes into the pages; keep anything odd out of them.
bool IsPlainHost(std::string_view host) {
  if (host.empty() || host.size() > 255) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
  });
}

std::string ExtensionOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return text::AsciiLower(path.substr(dot + 1));
}

const char* ReasonText(int status) {
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

std::string ErrorPage(int status) {
  return text::Format("<html><head><title>%d</title></head><body><h1>%d %s</h1></body></html>\r\n",
                      status, status, ReasonText(status));
}

struct ByteRange {
  uint64_t first = 0;
  uint64_t last = 0;  // inclusive
};

enum class RangeOutcome { kNone, kPartial, kUnsatisfiable };

// One range of "bytes=N-", "bytes=N-M" or "bytes=-M"; several ranges or another
// unit are answered with the whole body, as servers that know only simple ranges do.
RangeOutcome ResolveRange(std::string_view header, uint64_t size, ByteRange& range) {
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

std::string DefaultPoplist() {
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

}  // namespace

class StandinServer::Impl {
 public:
  explicit Impl(StandinOptions options)
      : options_(std::move(options)), catalogOptions_(options_.catalog),
        checkDelayMs_(options_.checkDelay.count()) {}

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

  void SetPage(const std::string& key, RawPage page) {
    std::lock_guard lock(scriptMutex_);
    pages_[key] = std::move(page);
  }
  void SetFile(const std::string& path, FileScript script) {
    std::lock_guard lock(scriptMutex_);
    const std::string key = text::AsciiLower(path);
    files_[key] = std::move(script);
    cutsUsed_.erase(key);
  }
  void RemovePage(const std::string& key) {
    std::lock_guard lock(scriptMutex_);
    pages_.erase(key);
  }
  void RemoveFile(const std::string& path) {
    std::lock_guard lock(scriptMutex_);
    files_.erase(text::AsciiLower(path));
    cutsUsed_.erase(text::AsciiLower(path));
  }
  void ClearScripts() {
    std::lock_guard lock(scriptMutex_);
    pages_.clear();
    files_.clear();
    cutsUsed_.clear();
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

  void ServeRawPage(const RawPage& page, httplib::Response& res);
  void ServeFile(const httplib::Request& req, httplib::Response& res, const FileRoute& route,
                 const std::string& host, std::shared_ptr<FlightToken> token);
  bool ServeBuiltIn(const httplib::Request& req, httplib::Response& res, const std::string& host,
                    const Catalog& catalog);
  bool Produce(Transfer& t, uint64_t offset, httplib::DataSink& sink);

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
  std::atomic<int64_t> checkDelayMs_;

  mutable std::mutex countMutex_;
  mutable std::condition_variable idle_;
  StandinCounters counters_;
  std::vector<RequestRecord> records_;

  mutable std::mutex stopMutex_;
  std::condition_variable stopSignal_;
  bool stopping_ = false;
};

bool StandinServer::Impl::Start(std::string* error) {
  auto fail = [error](std::string message) {
    if (error) *error = std::move(message);
    return false;
  };
  if (running_) return true;
  if (!IsLoopbackHost(options_.host)) return fail("refusing to bind a non-loopback host: " + options_.host);
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = false;
  }
  server_ = std::make_unique<httplib::Server>();
  const size_t threads = static_cast<size_t>(std::max(1, options_.threads));
  // httplib takes ownership of the queue it is handed.
  server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  listenSocket_ = -1;
  server_->set_socket_options([this](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    listenSocket_ = sock;
  });
  server_->set_tcp_nodelay(true);
  if (options_.keepAliveSeconds <= 0) {
    server_->set_keep_alive_max_count(1);
  } else {
    server_->set_keep_alive_max_count(kKeepAliveMaxCount);
    server_->set_keep_alive_timeout(options_.keepAliveSeconds);
  }
  server_->set_pre_routing_handler(
      [this](const httplib::Request& req, httplib::Response& res) { return Handle(req, res); });

  int port = options_.port;
  if (port == 0) {
    port = server_->bind_to_any_port(options_.host);
    if (port <= 0) {
      server_.reset();
      return fail("cannot bind " + options_.host + " to a free port");
    }
  } else if (!server_->bind_to_port(options_.host, port)) {
    server_.reset();
    return fail("cannot bind " + options_.host + ":" + std::to_string(port));
  }
  if (listenSocket_ >= 0) ::listen(listenSocket_, kListenBacklog);
  port_ = port;
  options_.port = port;

  listener_ = std::thread([server = server_.get()] { server->listen_after_bind(); });
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!server_->is_running()) {
    if (std::chrono::steady_clock::now() > deadline) {
      // Without is_running stop() would not wake the listener; close it through
      // the socket httplib bound for us and let it fail out.
      if (listenSocket_ >= 0) ::shutdown(listenSocket_, SHUT_RDWR);
      server_->stop();
      listener_.join();
      server_.reset();
      return fail("the server did not start listening");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  running_ = true;
  return true;
}

void StandinServer::Impl::Stop() {
  if (!server_) return;
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopSignal_.notify_all();
  server_->stop();
  if (listener_.joinable()) listener_.join();
  server_.reset();
  running_ = false;
}

bool StandinServer::Impl::Stopping() const {
  std::lock_guard lock(stopMutex_);
  return stopping_;
}

bool StandinServer::Impl::PauseUntil(std::chrono::steady_clock::time_point when) {
  std::unique_lock lock(stopMutex_);
  return !stopSignal_.wait_until(lock, when, [this] { return stopping_; });
}

bool StandinServer::Impl::Pause(std::chrono::milliseconds delay) {
  if (delay.count() <= 0) return !Stopping();
  return PauseUntil(std::chrono::steady_clock::now() + delay);
}

std::shared_ptr<StandinServer::Impl::FlightToken> StandinServer::Impl::Enter(
    const httplib::Request& req, bool file) {
  RequestRecord record;
  record.method = req.method;
  record.target = req.target;
  record.path = req.path;
  record.host = req.get_header_value("Host");
  record.userAgent = req.get_header_value("User-Agent");
  record.range = req.get_header_value("Range");
  record.file = file;
  for (const auto& [name, value] : req.headers) record.headers.emplace_back(name, value);
  {
    std::lock_guard lock(countMutex_);
    ++counters_.requests;
    counters_.peakInFlight = std::max(counters_.peakInFlight, ++counters_.inFlight);
    if (file) {
      ++counters_.fileRequests;
      counters_.peakFilesInFlight = std::max(counters_.peakFilesInFlight, ++counters_.filesInFlight);
    }
    if (records_.size() < options_.maxRecordedRequests) records_.push_back(std::move(record));
  }
  return std::make_shared<FlightToken>(*this, file);
}

void StandinServer::Impl::Leave(bool file) {
  std::lock_guard lock(countMutex_);
  --counters_.inFlight;
  if (file) --counters_.filesInFlight;
  if (counters_.inFlight == 0) idle_.notify_all();
}

std::optional<RawPage> StandinServer::Impl::FindPage(const httplib::Request& req) const {
  std::lock_guard lock(scriptMutex_);
  auto it = pages_.find(req.target);
  if (it == pages_.end()) it = pages_.find(req.path);
  if (it == pages_.end()) return std::nullopt;
  return it->second;
}

FileScript StandinServer::Impl::ScriptForEntry(const CatalogEntry& entry) {
  FileScript s;
  s.extension = entry.extension;
  s.size = entry.size;
  s.lastModified = entry.lastModified;
  switch (entry.fault) {
    case FileFault::kNone:
      break;
    case FileFault::kRedirect:
      s.redirectStatus = entry.redirectStatus;
      s.redirectHops = entry.redirectHops;
      s.redirectTo = std::string(kMovedPrefix) + entry.FileName();
      break;
    case FileFault::kRedirectToMissing:
      s.redirectStatus = entry.redirectStatus;
      s.redirectHops = entry.redirectHops;
      s.redirectTo = std::string(kMovedPrefix) + "missing/" + entry.FileName();
      break;
    case FileFault::kSlowHeaders:
      s.headerDelay = std::chrono::milliseconds(kSlowHeadersDelayMs);
      break;
    case FileFault::kCutBody:
      s.cutAfter = static_cast<int64_t>(entry.size / 2);
      break;
    case FileFault::kIgnoreRange:
      s.range = RangeMode::kIgnore;
      break;
    case FileFault::kNoContentLength:
      s.framing = BodyFraming::kChunked;
      break;
    case FileFault::kNoLastModified:
      s.sendLastModified = false;
      break;
    case FileFault::kNotFound:
      s.status = 404;
      break;
    case FileFault::kUnauthorized:
      s.status = 401;
      break;
  }
  return s;
}

// A file at exactly this path: a script first, then the catalog.
std::optional<StandinServer::Impl::FileRoute> StandinServer::Impl::FindFileAt(
    const std::string& lowerPath, const Catalog& catalog) const {
  {
    std::lock_guard lock(scriptMutex_);
    auto it = files_.find(lowerPath);
    if (it != files_.end()) return FileRoute{it->second, lowerPath, 0, true};
  }
  if (text::StartsWith(lowerPath, kFilesPrefix)) {
    if (auto entry = catalog.EntryForPath(lowerPath)) {
      return FileRoute{ScriptForEntry(*entry), lowerPath, 0, false};
    }
  } else if (text::StartsWith(lowerPath, kMovedPrefix)) {
    // Where catalog redirects end: the same file, answered plainly.
    const std::string filesPath = std::string(kFilesPrefix) + lowerPath.substr(kMovedPrefix.size());
    if (auto entry = catalog.EntryForPath(filesPath)) {
      FileScript s;
      s.extension = entry->extension;
      s.size = entry->size;
      s.lastModified = entry->lastModified;
      return FileRoute{s, lowerPath, 0, false};
    }
  }
  return std::nullopt;
}

std::optional<StandinServer::Impl::FileRoute> StandinServer::Impl::FindFile(
    const std::string& lowerPath, const Catalog& catalog) const {
  if (auto route = FindFileAt(lowerPath, catalog)) return route;
  if (!text::StartsWith(lowerPath, kHopPrefix)) return std::nullopt;
  const std::string_view rest = std::string_view(lowerPath).substr(kHopPrefix.size());
  const size_t slash = rest.find('/');
  if (slash == 0 || slash == std::string_view::npos || slash > 6) return std::nullopt;
  const std::string_view digits = rest.substr(0, slash);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  auto route = FindFileAt(std::string(rest.substr(slash)), catalog);
  if (!route) return std::nullopt;
  route->hop = static_cast<int>(text::LeadingDigits(digits));
  if (route->script.redirectStatus == 0 || route->hop < 1 || route->hop >= route->script.redirectHops) {
    return std::nullopt;
  }
  return route;
}

bool StandinServer::Impl::TakeCut(const FileRoute& route) {
  if (route.script.cutAfter < 0) return false;
  if (route.script.cutAnswers <= 0) return true;
  std::lock_guard lock(scriptMutex_);
  int& used = cutsUsed_[route.scriptPath];
  if (used >= route.script.cutAnswers) return false;
  ++used;
  return true;
}

void StandinServer::Impl::ServeRawPage(const RawPage& page, httplib::Response& res) {
  res.status = page.status;
  for (const auto& [name, value] : page.headers) res.set_header(name, value);
  res.set_content(page.body, page.contentType);
}

bool StandinServer::Impl::Produce(Transfer& t, uint64_t offset, httplib::DataSink& sink) {
  if (!t.began) {
    if (t.firstByteDelay.count() > 0 && !Pause(t.firstByteDelay)) return false;
    t.began = std::chrono::steady_clock::now();
  }
  if (Stopping() || offset >= t.cutLimit) return false;
  uint64_t n = std::min<uint64_t>({kWriteChunk, t.length - offset, t.cutLimit - offset});
  if (t.bytesPerSecond > 0) {
    n = std::min<uint64_t>(n, std::max<uint64_t>(1, t.bytesPerSecond / 20));
    const auto due = *t.began + std::chrono::microseconds(static_cast<int64_t>(
                                    static_cast<double>(offset) * 1e6 / static_cast<double>(t.bytesPerSecond)));
    if (!PauseUntil(due)) return false;
  }
  t.buffer.resize(static_cast<size_t>(n));
  if (t.bytes) {
    std::copy_n(t.bytes->data() + t.start + offset, n, t.buffer.data());
  } else {
    t.audio->Fill(t.start + offset, t.buffer.data(), static_cast<size_t>(n));
  }
  return sink.write(t.buffer.data(), static_cast<size_t>(n));
}

void StandinServer::Impl::ServeFile(const httplib::Request& req, httplib::Response& res,
                                    const FileRoute& route, const std::string& host,
                                    std::shared_ptr<FlightToken> token) {
  const FileScript& s = route.script;
  if (!Pause(std::chrono::milliseconds(checkDelayMs_.load())) || !Pause(s.headerDelay)) {
    res.status = 503;
    res.set_content(ErrorPage(503), "text/html");
    return;
  }

  if (s.redirectStatus != 0) {
    std::string location;
    if (route.hop + 1 < s.redirectHops) {
      location = "http://" + host + std::string(kHopPrefix) + std::to_string(route.hop + 1) + route.scriptPath;
    } else if (text::StartsWith(s.redirectTo, "http://") || text::StartsWith(s.redirectTo, "https://")) {
      location = s.redirectTo;
    } else {
      location = "http://" + host + s.redirectTo;
    }
    res.status = s.redirectStatus;
    res.set_header("Location", location);
    res.set_content("<html><body><a href=\"" + location + "\">moved</a></body></html>\r\n", "text/html");
    return;
  }

  if (s.status != 200) {
    res.status = s.status;
    if (s.status == 401) res.set_header("WWW-Authenticate", "Basic realm=\"vexon\"");
    res.set_content(ErrorPage(s.status), "text/html");
    return;
  }

  const std::string extension = s.extension.empty() ? ExtensionOf(route.scriptPath) : s.extension;
  const std::string contentType = s.contentType.empty() ? ContentTypeForExtension(extension) : s.contentType;
  auto t = std::make_shared<Transfer>();
  uint64_t size;
  if (s.body) {
    t->bytes = *s.body;
    size = s.body->size();
  } else {
    t->audio.emplace(FormatForExtension(extension), s.size);
    size = s.size;
  }

  ByteRange range;
  RangeOutcome outcome = RangeOutcome::kNone;
  if (s.range == RangeMode::kHonour && req.has_header("Range")) {
    outcome = ResolveRange(req.get_header_value("Range"), size, range);
  }
  if (outcome == RangeOutcome::kUnsatisfiable) {
    res.status = 416;
    res.set_header("Content-Range", "bytes */" + std::to_string(size));
    res.set_content(ErrorPage(416), "text/html");
    return;
  }

  res.status = outcome == RangeOutcome::kPartial ? 206 : 200;
  t->start = outcome == RangeOutcome::kPartial ? range.first : 0;
  t->length = outcome == RangeOutcome::kPartial ? range.last - range.first + 1 : size;
  if (outcome == RangeOutcome::kPartial) {
    res.set_header("Content-Range", text::Format("bytes %llu-%llu/%llu",
                                                 static_cast<unsigned long long>(range.first),
                                                 static_cast<unsigned long long>(range.last),
                                                 static_cast<unsigned long long>(size)));
  }
  if (s.sendLastModified) res.set_header("Last-Modified", FormatHttpDate(s.lastModified));
  if (s.range == RangeMode::kHonour) res.set_header("Accept-Ranges", "bytes");
  for (const auto& [name, value] : s.headers) res.set_header(name, value);

  if (TakeCut(route)) t->cutLimit = static_cast<uint64_t>(s.cutAfter);
  t->bytesPerSecond = s.bytesPerSecond;
  t->firstByteDelay = s.firstByteDelay;
  t->token = std::move(token);

  if (s.framing == BodyFraming::kContentLength) {
    if (t->length == 0) {
      res.set_content("", contentType);
      return;
    }
    res.set_content_provider(static_cast<size_t>(t->length), contentType,
                             [this, t](size_t offset, size_t, httplib::DataSink& sink) {
                               return Produce(*t, offset, sink);
                             });
    return;
  }
  const bool closeToEnd = s.framing == BodyFraming::kCloseDelimited;
  auto provider = [this, t, closeToEnd](size_t offset, httplib::DataSink& sink) {
    if (offset >= t->length) {
      // httplib would keep the connection open after a body without a length; a
      // failed provider is its only way to close it, which is what ends this body.
      if (closeToEnd) return false;
      sink.done();
      return true;
    }
    return Produce(*t, offset, sink);
  };
  if (s.framing == BodyFraming::kChunked) {
    res.set_chunked_content_provider(contentType, provider);
  } else {
    res.set_content_provider(contentType, provider);
  }
}

bool StandinServer::Impl::ServeBuiltIn(const httplib::Request& req, httplib::Response& res,
                                       const std::string& host, const Catalog& catalog) {
  const size_t mark = req.target.find('?');
  const std::string_view query =
      mark == std::string::npos ? std::string_view() : std::string_view(req.target).substr(mark + 1);
  if (auto search = ParseSearchQuery(req.path, query)) {
    const CatalogPage page = catalog.Page(search->wordsUtf8, search->engine, search->page);
    const bool decoys = catalog.Options().includeDecoys;
    res.status = 200;
    res.set_content(search->engine == Engine::kYahoo ? YahooResultPage(page, *search, host, decoys)
                                                     : BaiduResultPage(page, *search, host, decoys),
                    std::string(kPageContentType));
    return true;
  }
  if (text::StartsWith(req.path, kBaiduIntermediatePrefix)) {
    const std::string id = req.path.substr(kBaiduIntermediatePrefix.size());
    const std::optional<CatalogEntry> entry = catalog.Describe(id);
    res.status = 200;
    res.set_content(entry ? BaiduIntermediatePage(*entry, host) : BaiduDeadEndPage(),
                    std::string(kPageContentType));
    return true;
  }
  if (req.path == "/poplist.htm") {
    res.status = 200;
    res.set_header("Last-Modified", FormatHttpDate(kDefaultLastModified));
    res.set_content(DefaultPoplist(), std::string(kPageContentType));
    return true;
  }
  if (req.path == "/downloads/update.txt") {
    res.status = 200;
    res.set_header("Last-Modified", FormatHttpDate(kDefaultLastModified));
    res.set_content(VEXON_VERSION_TEXT, "text/plain");
    return true;
  }
  return false;
}

httplib::Server::HandlerResponse StandinServer::Impl::Handle(const httplib::Request& req,
                                                             httplib::Response& res) {
  // httplib would slice bodies by the Range header on its own; the file server
  // decides per script, so the parsed ranges are dropped. The request object is
  // httplib's own non-const local, handed to us as const only.
  const_cast<httplib::Request&>(req).ranges.clear();

  std::string host = req.get_header_value("Host");
  if (!IsPlainHost(host)) host = HostPort();
  const Catalog catalog = CurrentCatalog();
  const std::string lowerPath = text::AsciiLower(req.path);

  std::optional<RawPage> page = FindPage(req);
  std::optional<FileRoute> file;
  if (!page) file = FindFile(lowerPath, catalog);
  std::shared_ptr<FlightToken> token = Enter(req, file.has_value());

  if (req.method != "GET" && req.method != "HEAD") {
    res.status = 405;
    res.set_header("Allow", "GET, HEAD");
    res.set_content(ErrorPage(405), "text/html");
  } else if (page) {
    if (!Pause(page->delay)) {
      res.status = 503;
      res.set_content(ErrorPage(503), "text/html");
    } else {
      ServeRawPage(*page, res);
    }
  } else if (file) {
    ServeFile(req, res, *file, host, std::move(token));
  } else if (!ServeBuiltIn(req, res, host, catalog)) {
    res.status = 404;
    res.set_content(ErrorPage(404), "text/html");
  }
  return httplib::Server::HandlerResponse::Handled;
}

StandinServer::StandinServer(StandinOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}
StandinServer::~StandinServer() = default;
bool StandinServer::Start(std::string* error) { return impl_->Start(error); }
void StandinServer::Stop() { impl_->Stop(); }
bool StandinServer::Running() const { return impl_->Running(); }
int StandinServer::Port() const { return impl_->Port(); }
std::string StandinServer::HostPort() const { return impl_->HostPort(); }
std::string StandinServer::Url(std::string_view target) const { return "http://" + HostPort() + std::string(target); }
uint64_t StandinServer::Seed() const { return impl_->Seed(); }
Catalog StandinServer::CurrentCatalog() const { return impl_->CurrentCatalog(); }
void StandinServer::SetCatalogOptions(const CatalogOptions& options) { impl_->SetCatalogOptions(options); }
void StandinServer::SetCheckDelay(std::chrono::milliseconds delay) { impl_->SetCheckDelay(delay); }
void StandinServer::SetPage(const std::string& pathOrTarget, RawPage page) { impl_->SetPage(pathOrTarget, std::move(page)); }
void StandinServer::SetFile(const std::string& path, FileScript script) { impl_->SetFile(path, std::move(script)); }
void StandinServer::RemovePage(const std::string& pathOrTarget) { impl_->RemovePage(pathOrTarget); }
void StandinServer::RemoveFile(const std::string& path) { impl_->RemoveFile(path); }
void StandinServer::ClearScripts() { impl_->ClearScripts(); }
StandinCounters StandinServer::Counters() const { return impl_->Counters(); }
std::vector<RequestRecord> StandinServer::Requests() const { return impl_->Requests(); }
void StandinServer::ResetCounters() { impl_->ResetCounters(); }
bool StandinServer::WaitForIdle(std::chrono::milliseconds timeout) const { return impl_->WaitForIdle(timeout); }

}  // namespace vexon::standin
