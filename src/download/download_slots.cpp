#include "download/download_slots.h"

namespace vexon::download {

DownloadSlots::DownloadSlots(unsigned size) : size_(size == 0 ? 1 : size) {}

bool DownloadSlots::TryAcquire() {
  std::lock_guard lock(mutex_);
  if (inUse_ >= size_) return false;
  ++inUse_;
  return true;
}

void DownloadSlots::Release() {
  std::lock_guard lock(mutex_);
  if (inUse_ > 0) --inUse_;
}

void DownloadSlots::Resize(unsigned size) {
  std::lock_guard lock(mutex_);
  size_ = size == 0 ? 1 : size;
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
