#include "net/stop_signal.h"

namespace vexon::net {

void StopSignal::Request() {
  std::lock_guard lock(mutex_);
  requested_ = true;
  sleeping_.notify_all();
  if (wake_) wake_();
}

bool StopSignal::SleepFor(std::chrono::steady_clock::duration duration) {
  std::unique_lock lock(mutex_);
  return !sleeping_.wait_for(lock, duration, [this] { return requested_.load(); });
}

void StopSignal::Attach(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

void StopSignal::Detach() {
  std::lock_guard lock(mutex_);
  wake_ = nullptr;
}

}  // namespace vexon::net
