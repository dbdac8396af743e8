#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace vexon::net {

// A stop request that wakes whoever waits for it: a sleep, or a session's wait on
// the network. Without it a stop is seen only when a wait times out.
class StopSignal final {
 public:
  // Sets the signal and wakes the sleeper and the attached waker. Any thread.
  void Request();
  bool requested() const { return requested_.load(); }
  // Sleeps up to `duration`; false when the stop came first.
  bool SleepFor(std::chrono::steady_clock::duration duration);

  // While attached, Request() also calls `wake` (it must be safe from any thread).
  void Attach(std::function<void()> wake);
  void Detach();

 private:
  std::atomic<bool> requested_{false};
  std::mutex mutex_;
  std::condition_variable sleeping_;
  std::function<void()> wake_;
};

// Attaches a waker for its own lifetime.
class StopSignalAttachment final {
 public:
  StopSignalAttachment(StopSignal& signal, std::function<void()> wake) : signal_(signal) {
    signal_.Attach(std::move(wake));
  }
  ~StopSignalAttachment() { signal_.Detach(); }
  StopSignalAttachment(const StopSignalAttachment&) = delete;
  StopSignalAttachment& operator=(const StopSignalAttachment&) = delete;

 private:
  StopSignal& signal_;
};

}  // namespace vexon::net
