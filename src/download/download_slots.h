#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace vexon::download {

// The download slot pool: at most `size` workers transfer at once. It can be
// resized while downloads run: a larger pool frees slots at once; a smaller one
// lets running downloads finish and withholds their slots until the pool has its
// new size.
class DownloadSlots final {
 public:
  explicit DownloadSlots(unsigned size);

  // Takes a slot when one is free; never blocks.
  bool TryAcquire();
  // Waits for a free slot and takes it, or returns false once `leave` is set and
  // WakeWaiters() was called after setting it.
  bool Acquire(const std::atomic<bool>& leave);
  void WakeWaiters();
  // Gives one slot back.
  void Release();
  void Resize(unsigned size);

  unsigned size() const;
  unsigned inUse() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable freed_;
  unsigned size_;
  unsigned inUse_ = 0;
};

}  // namespace vexon::download
