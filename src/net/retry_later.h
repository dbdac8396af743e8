#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vexon::net {

// A server under load answers 429 or 503 and may say when to come back. Such an
// answer is a "not now", not a "no": the request is tried again after the wait the
// server names (Retry-After: seconds or a date), else after 1, 2, 4 ... seconds, at
// most kMaxTriesWhenAsked tries and kMaxWaitWhenAsked of waiting in all.
inline constexpr int kMaxTriesWhenAsked = 5;
inline constexpr std::chrono::seconds kMaxWaitWhenAsked{600};

bool AsksToRetryLater(int status);

// The wait a Retry-After value asks for, read at `now`; a date in the past is no
// wait. Unset when the value is neither a number of seconds nor an HTTP date.
std::optional<std::chrono::seconds> ReadRetryAfter(std::string_view value, std::time_t now);

// The tries of one request that servers keep asking to come back later.
class RetryLater final {
 public:
  // The wait before the next try, after a "later" answer with `retryAfter` (the
  // header's value, empty when absent); unset when the tries are spent. A wait
  // beyond what is left of kMaxWaitWhenAsked is cut to it.
  std::optional<std::chrono::milliseconds> NextWait(std::string_view retryAfter, std::time_t now);

 private:
  int tries_ = 1;
  std::chrono::milliseconds waited_{0};
};

// Runs `attempt` (which returns an HTTP status or a network error code, and puts
// the answer's Retry-After into its argument) until it is not asked to come back
// later or the tries are spent; each wait ends early when `stopped` says so, and
// then 0 is returned. Otherwise the last attempt's result.
int TryWhileAskedLater(const std::function<int(std::string& retryAfter)>& attempt,
                       const std::function<bool()>& stopped);

}  // namespace vexon::net
