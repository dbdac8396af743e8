#include "net/curl_session.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <thread>

#include "text/strings.h"

namespace vexon::net {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 20;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyCleanup {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCleanup {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListCleanup>;

// What the callbacks of one request share with it.
struct RequestState {
  TransferHandler* handler = nullptr;
  TransferResult* result = nullptr;
  ResponseHead pending;
  bool inHead = false;
  bool connected = false;
  bool handlerEnded = false;
  bool following = true;
  Clock::time_point lastActivity = Clock::now();
};

// Calls `each` with every element of a comma-separated header value, trimmed,
// empty ones left out.
template <typename Each>
void ForEachListElement(std::string_view value, Each each) {
  while (!value.empty()) {
    const size_t comma = value.find(',');
    const std::string_view element = text::Trim(value.substr(0, comma));
    if (!element.empty()) each(element);
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
}

// A repeated Content-Length (several lines, or a list a proxy joined into one) is
// only one length when every value names the same number.
void ReadContentLength(ResponseHead& head, const std::string& value) {
  bool seen = !head.contentLengthText.empty();
  std::optional<uint64_t> length = head.contentLength;
  ForEachListElement(value, [&](std::string_view element) {
    const std::optional<uint64_t> next = ParseContentLength(element);
    if (seen && next != length) head.contentLengthsDisagree = true;
    seen = true;
    length = next;
  });
  head.contentLengthText = value;
  head.contentLength = ParseContentLength(value);
}

// The value of the first header line named `name` (any letter case) in a raw head.
std::string HeaderValue(std::string_view raw, std::string_view name) {
  size_t pos = 0;
  while (pos < raw.size()) {
    size_t end = raw.find('\n', pos);
    if (end == std::string_view::npos) end = raw.size();
    const std::string_view line = raw.substr(pos, end - pos);
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos && text::EqualsNoCase(text::Trim(line.substr(0, colon)), name)) {
      return std::string(text::Trim(line.substr(colon + 1)));
    }
    pos = end + 1;
  }
  return {};
}

std::string AddressText(const sockaddr* address) {
  char buffer[INET6_ADDRSTRLEN] = {};
  if (address->sa_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, buffer, sizeof buffer);
  } else if (address->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, buffer, sizeof buffer);
  }
  return buffer;
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<RequestState*>(user);
  const size_t n = size * count;
  state->lastActivity = Clock::now();
  std::string_view line(data, n);
  const std::string_view trimmed = text::TrimRight(line);
  if (text::StartsWith(line, "HTTP/")) {
    state->pending = ResponseHead{};
    state->inHead = true;
    state->pending.statusLine = std::string(trimmed);
    const size_t sp = trimmed.find(' ');
    if (sp != std::string_view::npos) {
      state->pending.status = static_cast<int>(text::LeadingDigits(trimmed.substr(sp + 1)));
    }
    state->pending.rawHeaders.append(line);
    state->handler->OnStage(Stage::ResponseReceived, {});
    return n;
  }
  if (!state->inHead) return n;
  state->pending.rawHeaders.append(line);
  if (!trimmed.empty()) {
    ParseHeaderLine(state->pending, trimmed);
    return n;
  }
  // End of one answer's head. Informational answers and followed redirects are
  // not the final answer.
  state->inHead = false;
  const int status = state->pending.status;
  if (status >= 100 && status < 200) return n;
  const std::string location = HeaderValue(state->pending.rawHeaders, "location");
  if (state->following && IsRedirect(status) && !location.empty()) {
    state->handler->OnStage(Stage::Redirect, location);
    return n;
  }
  state->result->head = state->pending;
  state->result->headReceived = true;
  if (!state->handler->OnHead(state->result->head)) {
    state->handlerEnded = true;
    return 0;
  }
  return n;
}

size_t OnBodyData(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<RequestState*>(user);
  const size_t n = size * count;
  state->lastActivity = Clock::now();
  if (!state->result->headReceived) return n;  // body of an answer we do not report
  state->result->bodyBytes += n;
  if (!state->handler->OnBody(data, n)) {
    state->handlerEnded = true;
    return CURL_WRITEFUNC_ERROR;
  }
  return n;
}

int OnPrereq(void* user, char* primaryIp, char*, int, int) {
  auto* state = static_cast<RequestState*>(user);
  state->connected = true;
  state->lastActivity = Clock::now();
  state->handler->OnStage(Stage::Connected, primaryIp ? primaryIp : "");
  state->handler->OnStage(Stage::RequestSent, {});
  return CURL_PREREQFUNC_OK;
}

curl_socket_t OnOpenSocket(void* user, curlsocktype, struct curl_sockaddr* address) {
  auto* state = static_cast<RequestState*>(user);
  const std::string ip = AddressText(&address->addr);
  state->handler->OnStage(Stage::Resolved, ip);
  state->handler->OnStage(Stage::Connecting, ip);
  return socket(address->family, address->socktype, address->protocol);
}

std::string HostOf(const std::string& url) {
  struct UrlCleanup {
    void operator()(CURLU* parsed) const { curl_url_cleanup(parsed); }
  };
  struct TextFree {
    void operator()(char* text) const { curl_free(text); }
  };
  std::unique_ptr<CURLU, UrlCleanup> parsed(curl_url());
  char* part = nullptr;
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
      curl_url_get(parsed.get(), CURLUPART_HOST, &part, 0) != CURLUE_OK) {
    return {};
  }
  const std::unique_ptr<char, TextFree> host(part);
  return host.get();
}

}  // namespace

void ParseHeaderLine(ResponseHead& head, std::string_view line) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = text::Trim(line.substr(0, colon));
  const std::string value(text::Trim(line.substr(colon + 1)));
  if (text::EqualsNoCase(name, "Content-Type")) {
    head.contentType = value;
  } else if (text::EqualsNoCase(name, "Content-Length")) {
    ReadContentLength(head, value);
  } else if (text::EqualsNoCase(name, "Transfer-Encoding")) {
    // libcurl decodes chunks wherever the list names them.
    ForEachListElement(value, [&](std::string_view coding) {
      if (text::EqualsNoCase(coding, "chunked")) head.chunked = true;
    });
  } else if (text::EqualsNoCase(name, "Last-Modified")) {
    head.lastModified = value;
  } else if (text::EqualsNoCase(name, "Content-Range")) {
    head.contentRange = value;
  } else if (text::EqualsNoCase(name, "Retry-After")) {
    head.retryAfter = value;
  }
}

NetError NetErrorFromCurlCode(int curlCode) {
  switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_OK: return NetError::kNone;
    case CURLE_OPERATION_TIMEDOUT: return NetError::kTimeout;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return NetError::kInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return NetError::kNameNotResolved;
    case CURLE_COULDNT_CONNECT: return NetError::kCannotConnect;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE: return NetError::kConnectionAborted;
    case CURLE_TOO_MANY_REDIRECTS: return NetError::kRedirectFailed;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE: return NetError::kSecureFailure;
    default: return NetError::kInvalidServerResponse;
  }
}

void ParseContentRange(std::string_view value, uint64_t& start, uint64_t& total) {
  start = UINT64_MAX;
  total = UINT64_MAX;
  value = text::Trim(value);
  if (!text::StartsWith(value, "bytes")) return;
  value = text::Trim(value.substr(5));
  const size_t slash = value.find('/');
  if (slash == std::string_view::npos) return;
  const std::string_view range = value.substr(0, slash);
  const std::string_view size = value.substr(slash + 1);
  if (!range.empty() && range[0] >= '0' && range[0] <= '9') start = text::LeadingDigits(range);
  if (!size.empty() && size[0] >= '0' && size[0] <= '9') total = text::LeadingDigits(size);
}

std::optional<uint64_t> ParseContentLength(std::string_view value) {
  value = text::Trim(value);
  size_t digits = 0;
  while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9') ++digits;
  if (digits == 0) return std::nullopt;
  const uint64_t number = text::LeadingDigits(value.substr(0, digits));
  if (number > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
  return number;
}

bool SleepUnlessStopped(std::chrono::milliseconds duration, const std::function<bool()>& stop) {
  const auto end = Clock::now() + duration;
  while (true) {
    if (stop && stop()) return false;
    const auto now = Clock::now();
    if (now >= end) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(kPollMs)));
  }
}

struct CurlSession::Handles {
  std::unique_ptr<CURL, EasyCleanup> easy;
  std::unique_ptr<CURLM, MultiCleanup> multi;
};

struct CurlSession::TransferState : RequestState {};

CurlSession::CurlSession(SessionSettings settings)
    : settings_(std::move(settings)), handles_(std::make_unique<Handles>()), state_(std::make_unique<TransferState>()) {
  GlobalInit();
  handles_->easy.reset(curl_easy_init());
  handles_->multi.reset(curl_multi_init());
  // One kept connection: a request to another server closes the old one.
  ok_ = handles_->easy && handles_->multi &&
        curl_multi_setopt(handles_->multi.get(), CURLMOPT_MAXCONNECTS, 1L) == CURLM_OK && SetOptions();
}

CurlSession::~CurlSession() = default;

bool CurlSession::SetOptions() {
  CURL* easy = handles_->easy.get();
  RequestState* state = state_.get();
  bool ok = true;
  const auto set = [&](CURLoption option, auto value) { ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK; };
  set(CURLOPT_HTTPGET, 1L);
  set(CURLOPT_USERAGENT, settings_.userAgent.c_str());
  set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connectTimeout.count()));
  set(CURLOPT_FOLLOWLOCATION, settings_.maxRedirects > 0 ? 1L : 0L);
  set(CURLOPT_MAXREDIRS, static_cast<long>(settings_.maxRedirects));
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_HEADERFUNCTION, OnHeaderLine);
  set(CURLOPT_HEADERDATA, state);
  set(CURLOPT_WRITEFUNCTION, OnBodyData);
  set(CURLOPT_WRITEDATA, state);
  set(CURLOPT_PREREQFUNCTION, OnPrereq);
  set(CURLOPT_PREREQDATA, state);
  set(CURLOPT_OPENSOCKETFUNCTION, OnOpenSocket);
  set(CURLOPT_OPENSOCKETDATA, state);
  set(CURLOPT_BUFFERSIZE, settings_.bufferSize);
  if (!settings_.proxy.empty()) set(CURLOPT_PROXY, settings_.proxy.c_str());
  return ok;
}

bool TransferHandler::Pause(std::chrono::milliseconds duration) {
  return SleepUnlessStopped(duration, [this] { return ShouldStop(); });
}

void CurlSession::Wake() {
  if (handles_->multi) curl_multi_wakeup(handles_->multi.get());
}

TransferResult CurlSession::Get(const std::string& url, const std::vector<std::string>& headers,
                                TransferHandler& handler, Deadline deadline) {
  TransferResult result;
  for (int attempt = 0;; ++attempt) {
    bool connected = false;
    result = Attempt(url, headers, handler, deadline, connected);
    const bool connectFailed =
        result.error == NetError::kCannotConnect || (result.error == NetError::kTimeout && !connected);
    if (!connectFailed || attempt >= settings_.connectRetries || result.stopped || result.deadlinePassed) {
      return result;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left <= settings_.connectRetryPause) {
      // The pause would outlast the deadline: end now, as the deadline would.
      handler.Pause(std::max(left, std::chrono::milliseconds(0)));
      result.deadlinePassed = true;
      result.error = NetError::kTimeout;
      return result;
    }
    if (!handler.Pause(settings_.connectRetryPause)) {
      result.stopped = true;
      return result;
    }
  }
}

TransferResult CurlSession::Attempt(const std::string& url, const std::vector<std::string>& headers,
                                    TransferHandler& handler, Deadline deadline, bool& connected) {
  TransferResult result;
  CURL* easy = handles_->easy.get();
  CURLM* multi = handles_->multi.get();
  HeaderList headerList;
  const auto add = [&](const char* line) {
    curl_slist* longer = curl_slist_append(headerList.get(), line);
    if (longer != nullptr) {
      (void)headerList.release();
      headerList.reset(longer);
    }
    return longer != nullptr;
  };
  bool ready = ok_;
  if (settings_.noCache) ready = ready && add("Cache-Control: no-cache") && add("Pragma: no-cache");
  for (const std::string& h : headers) ready = ready && add(h.c_str());
  ready = ready && curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
          curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList.get()) == CURLE_OK;
  if (!ready) {
    result.error = NetError::kInvalidServerResponse;
    return result;
  }
  TransferState& state = *state_;
  state = TransferState{};
  state.handler = &handler;
  state.result = &result;
  state.following = settings_.maxRedirects > 0;

  handler.OnStage(Stage::Resolving, HostOf(url));
  curl_multi_add_handle(multi, easy);
  CURLcode code = CURLE_OK;
  bool done = false;
  bool idleTimedOut = false;
  while (!done) {
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
        code = msg->data.result;
        done = true;
      }
    }
    if (done) break;
    if (handler.ShouldStop()) {
      result.stopped = true;
      break;
    }
    const Clock::time_point now = Clock::now();
    if (now >= deadline) {
      result.deadlinePassed = true;
      break;
    }
    if (state.connected && settings_.idleTimeout.count() > 0 && now - state.lastActivity > settings_.idleTimeout) {
      idleTimedOut = true;
      break;
    }
    // Woken by the socket, by Wake(), or when a limit of ours is due.
    Clock::duration wait = settings_.stopPoll;
    if (deadline != kNoDeadline) wait = std::min(wait, deadline - now);
    if (state.connected && settings_.idleTimeout.count() > 0) {
      wait = std::min(wait, state.lastActivity + settings_.idleTimeout - now);
    }
    const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(std::max(wait, Clock::duration::zero()));
    curl_multi_poll(multi, nullptr, 0, static_cast<int>(waitMs.count()), nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  // The list goes with this request; the handle must not point at it.
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
  connected = state.connected;
  state.handler = nullptr;
  state.result = nullptr;

  if (result.stopped) return result;
  if (idleTimedOut || result.deadlinePassed) {
    result.error = NetError::kTimeout;
    return result;
  }
  if (state.handlerEnded) {
    result.endedEarly = true;
    return result;
  }
  result.error = NetErrorFromCurlCode(code);
  if (result.error == NetError::kNone && !result.headReceived) result.error = NetError::kInvalidServerResponse;
  return result;
}

}  // namespace vexon::net
