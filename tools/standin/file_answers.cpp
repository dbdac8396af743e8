#include "standin/http_date.h"
#include "standin/result_pages.h"
#include "standin/standin_impl.h"

// The file server of the stand-in: catalog files and scripted ones, with ranges,
// redirects, throttling and scripted faults.
namespace vexon::standin {

using namespace detail;

namespace {

// "<id>/<name>" with the name's GB18030 bytes escaped, as the client sends it: what
// redirects point to, so a Location header never carries a raw byte or a blank.
std::string SentName(const CatalogEntry& entry) {
  return entry.id + "/" + PercentEncode(text::Gb18030FromUtf8(entry.name));
}

}  // namespace

FileScript StandinServer::Impl::ScriptForEntry(const CatalogEntry& entry) {
  FileScript s;
  s.extension = entry.extension;
  s.size = entry.size;
  s.lastModified = entry.lastModified;
  switch (entry.fault) {
    case FileFault::kNone: break;
    case FileFault::kRedirect:
      s.redirectStatus = entry.redirectStatus;
      s.redirectHops = entry.redirectHops;
      s.redirectTo = std::string(kMovedPrefix) + SentName(entry);
      break;
    case FileFault::kRedirectToMissing:
      s.redirectStatus = entry.redirectStatus;
      s.redirectHops = entry.redirectHops;
      s.redirectTo = std::string(kMovedPrefix) + "missing/" + SentName(entry);
      break;
    case FileFault::kSlowHeaders: s.headerDelay = std::chrono::milliseconds(kSlowHeadersDelayMs); break;
    case FileFault::kCutBody: s.cutAfter = static_cast<int64_t>(entry.size / 2); break;
    case FileFault::kIgnoreRange: s.range = RangeMode::kIgnore; break;
    case FileFault::kNoContentLength: s.framing = BodyFraming::kChunked; break;
    case FileFault::kNoLastModified: s.sendLastModified = false; break;
    case FileFault::kNotFound: s.status = 404; break;
    case FileFault::kUnauthorized: s.status = 401; break;
  }
  return s;
}

// A file at exactly this path: a script first, then the catalog.
std::optional<StandinServer::Impl::FileRoute> StandinServer::Impl::FindFileAt(const std::string& lowerPath,
                                                                              const Catalog& catalog) const {
  {
    std::lock_guard lock(scriptMutex_);
    auto it = files_.find(lowerPath);
    if (it != files_.end()) return FileRoute{it->second, lowerPath, 0, true};
  }
  if (text::StartsWith(lowerPath, kFilesPrefix)) {
    if (auto entry = catalog.EntryForPath(lowerPath)) {
      // The escaped form: the path arrives decoded, and the next hop's Location is
      // built from this.
      return FileRoute{ScriptForEntry(*entry), text::AsciiLower(std::string(kFilesPrefix) + SentName(*entry)), 0,
                       false};
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

std::optional<StandinServer::Impl::FileRoute> StandinServer::Impl::FindFile(const std::string& lowerPath,
                                                                            const Catalog& catalog) const {
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

bool StandinServer::Impl::TakeOneOf(std::map<std::string, int>& used, const FileRoute& route, int answers) {
  std::lock_guard lock(scriptMutex_);
  int& count = used[route.scriptPath];
  if (count >= answers) return false;
  ++count;
  return true;
}

bool StandinServer::Impl::TakeLater(const FileRoute& route) {
  return route.script.laterAnswers > 0 && TakeOneOf(latersUsed_, route, route.script.laterAnswers);
}

bool StandinServer::Impl::TakeCut(const FileRoute& route) {
  if (route.script.cutAfter < 0) return false;
  return route.script.cutAnswers <= 0 || TakeOneOf(cutsUsed_, route, route.script.cutAnswers);
}

void StandinServer::Impl::ServeRawPage(const RawPage& page, httplib::Response& res) {
  res.status = page.status;
  for (const auto& [name, value] : page.headers) res.set_header(name, value);
  res.set_content(page.body, page.contentType);
}

// httplib drops the connection when one write finds the socket full for its whole
// write timeout. A slow reader's socket stays full for seconds at a time: the kernel
// takes more only once the client has taken about what the last write added, and
// loopback TCP hands a slow reader its bytes in bursts. So a piece waits here first,
// slice after slice, for as long as the client takes something within the write
// timeout. httplib's wait ends early only when the socket has room or the
// connection is gone; a quick "no" is the latter.
bool StandinServer::Impl::AwaitRoom(httplib::DataSink& sink) {
  const std::chrono::milliseconds slice = WriteWaitSlice();
  const auto deadline = std::chrono::steady_clock::now() + options_.writeTimeout;
  for (;;) {
    const auto asked = std::chrono::steady_clock::now();
    if (sink.is_writable()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - asked < slice / 2 || now >= deadline || Stopping()) return false;
  }
}

bool StandinServer::Impl::Produce(Transfer& t, uint64_t offset, httplib::DataSink& sink) {
  if (!t.began) {
    if (t.firstByteDelay.count() > 0 && !Pause(t.firstByteDelay)) return false;
    t.began = std::chrono::steady_clock::now();
  }
  if (Stopping() || offset >= t.cutLimit) return false;
  uint64_t n = std::min<uint64_t>({kWritePiece, t.length - offset, t.cutLimit - offset});
  if (t.bytesPerSecond > 0) {
    n = std::min<uint64_t>(n, std::max<uint64_t>(1, t.bytesPerSecond / 20));
    const auto due = *t.began + std::chrono::microseconds(static_cast<int64_t>(static_cast<double>(offset) * 1e6 /
                                                                               static_cast<double>(t.bytesPerSecond)));
    if (!PauseUntil(due)) return false;
  }
  if (!AwaitRoom(sink)) return false;
  t.buffer.resize(static_cast<size_t>(n));
  if (t.bytes) {
    std::copy_n(t.bytes->data() + t.start + offset, n, t.buffer.data());
  } else {
    t.audio->Fill(t.start + offset, t.buffer.data(), static_cast<size_t>(n));
  }
  return sink.write(t.buffer.data(), static_cast<size_t>(n));
}

void StandinServer::Impl::ServeFile(const httplib::Request& req, httplib::Response& res, const FileRoute& route,
                                    const std::string& host, std::shared_ptr<FlightToken> token) {
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

  if (TakeLater(route)) {
    res.status = s.laterStatus;
    if (!s.laterRetryAfter.empty()) res.set_header("Retry-After", s.laterRetryAfter);
    res.set_content(ErrorPage(s.laterStatus), "text/html");
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
    res.set_header("Content-Range",
                   text::Format("bytes %llu-%llu/%llu", static_cast<unsigned long long>(range.first),
                                static_cast<unsigned long long>(range.last), static_cast<unsigned long long>(size)));
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
    res.set_content_provider(
        static_cast<size_t>(t->length), contentType,
        [this, t](size_t offset, size_t, httplib::DataSink& sink) { return Produce(*t, offset, sink); });
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

}  // namespace vexon::standin
