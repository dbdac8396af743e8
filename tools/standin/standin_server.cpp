#include "standin/standin_server.h"

#include <netinet/tcp.h>
#include <sys/socket.h>

#include "standin/http_date.h"
#include "standin/result_pages.h"
#include "standin/standin_impl.h"

#ifndef VEXON_VERSION_TEXT
#define VEXON_VERSION_TEXT "0.0.0.0"
#endif

namespace vexon::standin {

using namespace detail;

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
  server_->set_write_timeout(WriteWaitSlice());
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

std::chrono::milliseconds StandinServer::Impl::WriteWaitSlice() const {
  return std::clamp(options_.writeTimeout, std::chrono::milliseconds(1), kWriteWaitSlice);
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

std::shared_ptr<StandinServer::Impl::FlightToken> StandinServer::Impl::Enter(const httplib::Request& req, bool file) {
  RequestRecord record;
  record.method = req.method;
  record.target = req.target;
  record.path = req.path;
  record.host = req.get_header_value("Host");
  record.userAgent = req.get_header_value("User-Agent");
  record.range = req.get_header_value("Range");
  record.remotePort = req.remote_port;
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

bool StandinServer::Impl::ServeBuiltIn(const httplib::Request& req, httplib::Response& res, const std::string& host,
                                       const Catalog& catalog) {
  if (ServeArchive(req, res, host)) return true;
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
    res.set_content(entry ? BaiduIntermediatePage(*entry, host) : BaiduDeadEndPage(), std::string(kPageContentType));
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

httplib::Server::HandlerResponse StandinServer::Impl::Handle(const httplib::Request& req, httplib::Response& res) {
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
  if (!page && !file) file = FindArchiveFile(req);
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
bool StandinServer::Start(std::string* error) {
  return impl_->Start(error);
}
void StandinServer::Stop() {
  impl_->Stop();
}
bool StandinServer::Running() const {
  return impl_->Running();
}
int StandinServer::Port() const {
  return impl_->Port();
}
std::string StandinServer::HostPort() const {
  return impl_->HostPort();
}
std::string StandinServer::Url(std::string_view target) const {
  return "http://" + HostPort() + std::string(target);
}
uint64_t StandinServer::Seed() const {
  return impl_->Seed();
}
Catalog StandinServer::CurrentCatalog() const {
  return impl_->CurrentCatalog();
}
void StandinServer::SetCatalogOptions(const CatalogOptions& options) {
  impl_->SetCatalogOptions(options);
}
void StandinServer::SetCheckDelay(std::chrono::milliseconds delay) {
  impl_->SetCheckDelay(delay);
}
ArchiveCatalog StandinServer::CurrentArchive() const {
  return impl_->CurrentArchive();
}
void StandinServer::SetMetadataDelay(std::chrono::milliseconds delay) {
  impl_->SetMetadataDelay(delay);
}
void StandinServer::SetShedding(int above, std::string retryAfter) {
  impl_->SetShedding(above, std::move(retryAfter));
}
void StandinServer::SetPage(const std::string& pathOrTarget, RawPage page) {
  impl_->SetPage(pathOrTarget, std::move(page));
}
void StandinServer::SetFile(const std::string& path, FileScript script) {
  impl_->SetFile(path, std::move(script));
}
void StandinServer::RemovePage(const std::string& pathOrTarget) {
  impl_->RemovePage(pathOrTarget);
}
void StandinServer::RemoveFile(const std::string& path) {
  impl_->RemoveFile(path);
}
void StandinServer::ClearScripts() {
  impl_->ClearScripts();
}
StandinCounters StandinServer::Counters() const {
  return impl_->Counters();
}
std::vector<RequestRecord> StandinServer::Requests() const {
  return impl_->Requests();
}
void StandinServer::ResetCounters() {
  impl_->ResetCounters();
}
bool StandinServer::WaitForIdle(std::chrono::milliseconds timeout) const {
  return impl_->WaitForIdle(timeout);
}

}  // namespace vexon::standin
