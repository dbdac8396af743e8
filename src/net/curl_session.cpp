#include "net/curl_session.h"

#include <curl/curl.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <thread>

#include "net/net_errors.h"
#include "text/strings.h"

namespace vexon::net {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 20;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURL* Easy(void* p) { return static_cast<CURL*>(p); }
CURLM* Multi(void* p) { return static_cast<CURLM*>(p); }

struct TransferState {
  TransferHandler* handler = nullptr;
  TransferResult* result = nullptr;
  ResponseHead pending;
  bool inHead = false;
  bool connected = false;
  bool handlerEnded = false;
  bool following = true;
  Clock::time_point lastActivity = Clock::now();
};

void ParseHeaderLine(ResponseHead& head, std::string_view line) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = text::Trim(line.substr(0, colon));
  const std::string value(text::Trim(line.substr(colon + 1)));
  if (text::EqualsNoCase(name, "Content-Type")) {
    head.contentType = value;
  } else if (text::EqualsNoCase(name, "Content-Length")) {
    head.contentLengthText = value;
    head.contentLength = ParseContentLength(value);
  } else if (text::EqualsNoCase(name, "Last-Modified")) {
    head.lastModified = value;
  } else if (text::EqualsNoCase(name, "Content-Range")) {
    head.contentRange = value;
  }
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
  auto* state = static_cast<TransferState*>(user);
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
  auto* state = static_cast<TransferState*>(user);
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
  auto* state = static_cast<TransferState*>(user);
  state->connected = true;
  state->lastActivity = Clock::now();
  state->handler->OnStage(Stage::Connected, primaryIp ? primaryIp : "");
  state->handler->OnStage(Stage::RequestSent, {});
  return CURL_PREREQFUNC_OK;
}

curl_socket_t OnOpenSocket(void* user, curlsocktype, struct curl_sockaddr* address) {
  auto* state = static_cast<TransferState*>(user);
  const std::string ip = AddressText(&address->addr);
  state->handler->OnStage(Stage::Resolved, ip);
  state->handler->OnStage(Stage::Connecting, ip);
  return socket(address->family, address->socktype, address->protocol);
}

std::string HostOf(const std::string& url) {
  std::string host;
  CURLU* parsed = curl_url();
  char* part = nullptr;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
    host = part;
  }
  curl_free(part);
  curl_url_cleanup(parsed);
  return host;
}

}  // namespace

int NetErrorFromCurlCode(int curlCode) {
  switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_OK: return 0;
    case CURLE_OPERATION_TIMEDOUT: return kErrTimeout;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return kErrInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return kErrNameNotResolved;
    case CURLE_COULDNT_CONNECT: return kErrCannotConnect;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE: return kErrConnectionAborted;
    case CURLE_TOO_MANY_REDIRECTS: return kErrRedirectFailed;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE: return kErrSecureFailure;
    default: return kErrInvalidServerResponse;
  }
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

CurlSession::CurlSession(SessionSettings settings) : settings_(std::move(settings)) {
  GlobalInit();
  easy_ = curl_easy_init();
  multi_ = curl_multi_init();
  // One kept connection: a request to another server closes the old one.
  curl_multi_setopt(Multi(multi_), CURLMOPT_MAXCONNECTS, 1L);
}

CurlSession::~CurlSession() {
  if (easy_) curl_easy_cleanup(Easy(easy_));
  if (multi_) curl_multi_cleanup(Multi(multi_));
}

TransferResult CurlSession::Get(const std::string& url, const std::vector<std::string>& headers,
                                TransferHandler& handler, Deadline deadline) {
  const auto stop = [&] { return handler.ShouldStop(); };
  TransferResult result;
  for (int attempt = 0;; ++attempt) {
    bool connected = false;
    result = Attempt(url, headers, handler, deadline, connected);
    const bool connectFailed =
        result.error == kErrCannotConnect || (result.error == kErrTimeout && !connected);
    if (!connectFailed || attempt >= settings_.connectRetries || result.stopped || result.deadlinePassed) {
      return result;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left <= settings_.connectRetryPause) {
      // The pause would outlast the deadline: end now, as the deadline would.
      SleepUnlessStopped(std::max(left, std::chrono::milliseconds(0)), stop);
      result.deadlinePassed = true;
      result.error = kErrTimeout;
      return result;
    }
    if (!SleepUnlessStopped(settings_.connectRetryPause, stop)) {
      result.stopped = true;
      return result;
    }
  }
}

TransferResult CurlSession::Attempt(const std::string& url, const std::vector<std::string>& headers,
                                    TransferHandler& handler, Deadline deadline, bool& connected) {
  TransferResult result;
  if (!easy_ || !multi_) {
    result.error = kErrInvalidServerResponse;
    return result;
  }
  CURL* easy = Easy(easy_);
  TransferState state;
  state.handler = &handler;
  state.result = &result;
  state.following = settings_.maxRedirects > 0;

  curl_slist* headerList = nullptr;
  if (settings_.noCache) {
    headerList = curl_slist_append(headerList, "Cache-Control: no-cache");
    headerList = curl_slist_append(headerList, "Pragma: no-cache");
  }
  for (const std::string& h : headers) headerList = curl_slist_append(headerList, h.c_str());

  curl_easy_reset(easy);
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, settings_.userAgent.c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connectTimeout.count()));
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, state.following ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(settings_.maxRedirects));
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeaderLine);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBodyData);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, OnPrereq);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, &state);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, OnOpenSocket);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &state);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, settings_.bufferSize);
  if (!settings_.proxy.empty()) curl_easy_setopt(easy, CURLOPT_PROXY, settings_.proxy.c_str());

  handler.OnStage(Stage::Resolving, HostOf(url));
  CURLM* multi = Multi(multi_);
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
    curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  curl_slist_free_all(headerList);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
  connected = state.connected;

  if (result.stopped) return result;
  if (idleTimedOut || result.deadlinePassed) {
    result.error = kErrTimeout;
    return result;
  }
  if (state.handlerEnded) {
    result.endedEarly = true;
    return result;
  }
  result.error = NetErrorFromCurlCode(code);
  if (result.error == 0 && !result.headReceived) result.error = kErrInvalidServerResponse;
  return result;
}

}  // namespace vexon::net
