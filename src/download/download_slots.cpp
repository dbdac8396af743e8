#include "download/download_slots.h"

namespace vexon::download {

DownloadSlots::DownloadSlots(unsigned size) : size_(size == 0 ? 1 : size) {}

bool DownloadSlots::TryAcquire() {
  std::lock_guard lock(mutex_);
  if (inUse_ >= size_) return false;
  ++inUse_;
  return true;
}

bool DownloadSlots::Acquire(const std::atomic<bool>& leave) {
  std::unique_lock lock(mutex_);
  freed_.wait(lock, [&] { return leave.load() || inUse_ < size_; });
  if (leave.load()) return false;
  ++inUse_;
  return true;
}

void DownloadSlots::WakeWaiters() {
  // Under the lock: a waiter between its check and its wait would miss the call.
  std::lock_guard lock(mutex_);
  freed_.notify_all();
}

void DownloadSlots::Release() {
  std::lock_guard lock(mutex_);
  if (inUse_ > 0) --inUse_;
  // All of them: one woken waiter may be leaving the queue instead.
  freed_.notify_all();
}

void DownloadSlots::Resize(unsigned size) {
  std::lock_guard lock(mutex_);
  size_ = size == 0 ? 1 : size;
  freed_.notify_all();
}

unsigned DownloadSlots::size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

unsigned DownloadSlots::inUse() const {
  std::lock_guard lock(mutex_);
  return inUse_;
}

}  // namespace vexon::download
