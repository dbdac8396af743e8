#include "app/ui/qt_owner_channel.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

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
  queue_.push_back(Queued{&waiting, {}});
  WakeOwner();
  finished_.wait(lock, [&] { return waiting.done; });
  return waiting.ran;
}

void QtOwnerChannel::Post(core::Msg /*message*/, std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  if (stopping_) return;
  queue_.push_back(Queued{nullptr, std::move(handler)});
  WakeOwner();
}

void QtOwnerChannel::WakeOwner() {
  // One wake-up drains the whole queue: a burst of reports costs one event. What
  // comes while a drain runs waits for the drain's own follow-up.
  if (drainDue_) return;
  drainDue_ = true;
  // Posted under the lock, so the context cannot be deleted between check and post.
  QMetaObject::invokeMethod(
      context_.get(), [this] { Drain(); }, Qt::QueuedConnection);
}

void QtOwnerChannel::Shutdown() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  for (Queued& queued : queue_) {
    if (queued.waiting) queued.waiting->done = true;
  }
  queue_.clear();
  finished_.notify_all();
}

size_t QtOwnerChannel::queuedHandlers() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

void QtOwnerChannel::Drain() {
  // A handler that spins a nested event loop (a message box) lands here again; the
  // outer drain runs the rest after it, so handlers never overlap.
  if (draining_) return;
  draining_ = true;
  std::unique_lock lock(mutex_);
  // Only what was queued when the drain began: handlers that post again (a long
  // command in slices) must let timers and painting run in between.
  for (size_t left = queue_.size(); left > 0 && !queue_.empty(); --left) {
    Queued queued = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    {
      std::lock_guard ownerGuard(ownerLock_);
      if (queued.waiting) {
        (*queued.waiting->handler)();
      } else {
        queued.posted();
      }
    }
    lock.lock();
    if (queued.waiting) {
      queued.waiting->ran = true;
      queued.waiting->done = true;
      finished_.notify_all();
    }
  }
  if (queue_.empty() || stopping_) {
    drainDue_ = false;
  } else {
    // A timer, not a posted event (a zero timer is one too): posted events go before
    // timers, and a chain of them would keep the window's own timers waiting.
    QTimer::singleShot(1, Qt::PreciseTimer, context_.get(), [this] { Drain(); });
  }
  draining_ = false;
}

}  // namespace vexon::app::ui
