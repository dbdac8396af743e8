#include "net/retry_later.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>

#include "net/curl_session.h"
#include "text/strings.h"

namespace vexon::net {
namespace {

constexpr std::chrono::milliseconds kFirstBackOff{1000};

}  // namespace

bool AsksToRetryLater(int status) {
  return status == 429 || status == 503;
}

std::optional<std::chrono::seconds> ReadRetryAfter(std::string_view value, std::time_t now) {
  const std::string_view trimmed = text::Trim(value);
  if (trimmed.empty()) return std::nullopt;
  if (std::all_of(trimmed.begin(), trimmed.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    uint64_t seconds = 0;
    const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), seconds);
    // Beyond what the clock holds is as good as for ever: the cap takes it.
    if (error != std::errc() || end != trimmed.data() + trimmed.size()) return std::chrono::seconds::max();
    return std::chrono::seconds(std::min<uint64_t>(seconds, static_cast<uint64_t>(INT64_MAX / 1000)));
  }
  const std::string date(trimmed);
  const time_t when = curl_getdate(date.c_str(), nullptr);
  if (when == -1) return std::nullopt;
  return std::chrono::seconds(when > now ? when - now : 0);
}

std::optional<std::chrono::milliseconds> RetryLater::NextWait(std::string_view retryAfter, std::time_t now) {
  const std::chrono::milliseconds left = std::chrono::milliseconds(kMaxWaitWhenAsked) - waited_;
  if (tries_ >= kMaxTriesWhenAsked || left <= std::chrono::milliseconds(0)) return std::nullopt;
  std::chrono::milliseconds wait = kFirstBackOff * (1 << (tries_ - 1));
  if (const std::optional<std::chrono::seconds> asked = ReadRetryAfter(retryAfter, now)) {
    wait = *asked >= std::chrono::duration_cast<std::chrono::seconds>(left) ? left : std::chrono::milliseconds(*asked);
  }
  wait = std::min(wait, left);
  ++tries_;
  waited_ += wait;
  return wait;
}

int TryWhileAskedLater(const std::function<int(std::string& retryAfter)>& attempt,
                       const std::function<bool()>& stopped) {
  RetryLater tries;
  while (true) {
    std::string retryAfter;
    const int status = attempt(retryAfter);
    if (!AsksToRetryLater(status)) return status;
    const std::optional<std::chrono::milliseconds> wait = tries.NextWait(retryAfter, std::time(nullptr));
    if (!wait) return status;
    if (!SleepUnlessStopped(*wait, stopped)) return 0;
  }
}

}  // namespace vexon::net
