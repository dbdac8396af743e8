#include "net/retry_later.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/request_gate.h"

namespace vexon::net {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// 2015-10-21 07:28:00 GMT.
constexpr std::time_t kNow = 1445412480;

TEST(RetryLater, RetryAfterReadsSecondsAndDates) {
  const struct {
    const char* value;
    std::optional<seconds> wait;
  } cases[] = {
      {"0", seconds(0)},
      {" 120 ", seconds(120)},
      {"Wed, 21 Oct 2015 07:30:00 GMT", seconds(120)},
      {"Wed, 21 Oct 2015 07:00:00 GMT", seconds(0)},  // already past
      {"99999999999999999999999", seconds::max()},
      {"", std::nullopt},
      {"-5", std::nullopt},
      {"1.5", std::nullopt},
      {"soon", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadRetryAfter(c.value, kNow), c.wait) << c.value;
  EXPECT_TRUE(AsksToRetryLater(429) && AsksToRetryLater(503));
  EXPECT_FALSE(AsksToRetryLater(500) || AsksToRetryLater(403) || AsksToRetryLater(200));
}

// The waits a run of "later" answers gets: doubling from 1 s without a header, the
// server's own wait with one, at most five tries and ten minutes in all.
TEST(RetryLater, WaitsEndAfterFiveTriesOrTenMinutes) {
  const struct {
    const char* name;
    std::vector<const char*> retryAfter;  // of each "later" answer in turn
    std::vector<int64_t> waitsMs;         // -1: no further try
  } cases[] = {
      {"no header", {"", "", "", "", ""}, {1000, 2000, 4000, 8000, -1}},
      {"the server's own", {"3", "0", "x", "7"}, {3000, 0, 4000, 7000}},
      {"a year", {"31536000", "1"}, {600000, -1}},
      {"cut to what is left", {"300", "400", "1"}, {300000, 300000, -1}},
  };
  for (const auto& c : cases) {
    RetryLater later;
    std::vector<int64_t> waits;
    for (const char* value : c.retryAfter) {
      const std::optional<milliseconds> wait = later.NextWait(value, kNow);
      waits.push_back(wait ? wait->count() : -1);
    }
    EXPECT_EQ(waits, c.waitsMs) << c.name;
  }
}

TEST(RetryLater, TriesEndAtAnAnswerAtTheLastTryOrAtAStop) {
  std::vector<int> answers = {429, 503, 200};
  size_t tries = 0;
  const auto attempt = [&](std::string& retryAfter) {
    retryAfter = "0";
    return answers[std::min(tries++, answers.size() - 1)];
  };
  EXPECT_EQ(TryWhileAskedLater(attempt, [] { return false; }), 200);
  EXPECT_EQ(tries, 3u);
  answers = {429};
  tries = 0;
  EXPECT_EQ(TryWhileAskedLater(attempt, [] { return false; }), 429);
  EXPECT_EQ(tries, static_cast<size_t>(kMaxTriesWhenAsked));
  tries = 0;
  const auto longWait = [&](std::string& retryAfter) {
    ++tries;
    retryAfter = "3600";
    return 503;
  };
  EXPECT_EQ(TryWhileAskedLater(longWait, [] { return true; }), 0);
  EXPECT_EQ(tries, 1u);
}

TEST(RequestGate, NeverLetsMoreThroughThanItsSlots) {
  RequestGate gate(2);
  std::atomic<int> inside{0};
  std::atomic<int> peak{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&] {
      for (int k = 0; k < 50; ++k) {
        const GatePass pass(&gate, [] { return false; });
        const int now = ++inside;
        for (int seen = peak.load(); now > seen && !peak.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::yield();
        --inside;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_LE(peak.load(), 2);
  // A stopped waiter gives up without a slot.
  const GatePass first(&gate, nullptr);
  const GatePass second(&gate, nullptr);
  const GatePass stopped(&gate, [] { return true; });
  EXPECT_FALSE(stopped.entered());
}

}  // namespace
}  // namespace vexon::net
