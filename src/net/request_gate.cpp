#include "net/request_gate.h"

#include <chrono>

namespace vexon::net {

bool RequestGate::Enter(const std::function<bool()>& stopped) {
  std::unique_lock lock(mutex_);
  while (free_ == 0) {
    if (stopped && stopped()) return false;
    freed_.wait_for(lock, std::chrono::milliseconds(20));
  }
  --free_;
  return true;
}

void RequestGate::Leave() {
  {
    std::lock_guard lock(mutex_);
    ++free_;
  }
  freed_.notify_one();
}

}  // namespace vexon::net
