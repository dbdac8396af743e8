#include "app/ui/qt_owner_channel.h"

#include <QMetaObject>
#include <QObject>

namespace vexon::app::ui {

QtOwnerChannel::QtOwnerChannel() : ownerId_(std::this_thread::get_id()), context_(std::make_unique<QObject>()) {}

QtOwnerChannel::~QtOwnerChannel() {
  Shutdown();
  // After Shutdown no sender posts any more, so the context can go.
  context_.reset();
}

bool QtOwnerChannel::Send(core::Msg /*message*/, const std::function<void()>& handler) {
  if (IsOwnerThread()) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return false;
    }
    // Queueing here would wait for this very thread: run it now.
    std::lock_guard ownerGuard(ownerLock_);
    handler();
    return true;
  }
  Waiting waiting{&handler};
  std::unique_lock lock(mutex_);
  if (stopping_) return false;
  queue_.push_back(&waiting);
  // Posted under the lock, so the context cannot be deleted between check and post.
  QMetaObject::invokeMethod(
      context_.get(), [this] { Drain(); }, Qt::QueuedConnection);
  finished_.wait(lock, [&] { return waiting.done; });
  return waiting.ran;
}

void QtOwnerChannel::Shutdown() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  for (Waiting* waiting : queue_) waiting->done = true;
  queue_.clear();
  finished_.notify_all();
}

size_t QtOwnerChannel::waitingSenders() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

void QtOwnerChannel::Drain() {
  // A handler that spins a nested event loop (a message box) lands here again; the
  // outer drain runs the rest after it, so handlers never overlap.
  if (draining_) return;
  draining_ = true;
  std::unique_lock lock(mutex_);
  while (!queue_.empty()) {
    Waiting* waiting = queue_.front();
    queue_.pop_front();
    lock.unlock();
    {
      std::lock_guard ownerGuard(ownerLock_);
      (*waiting->handler)();
    }
    lock.lock();
    waiting->ran = true;
    waiting->done = true;
    finished_.notify_all();
  }
  draining_ = false;
}

}  // namespace vexon::app::ui
