#include "core/message_loop.h"

namespace vexon::core {

MessageLoop::MessageLoop() {
  thread_ = std::thread([this] { Run(); });
  ownerId_ = thread_.get_id();
}

MessageLoop::~MessageLoop() {
  Shutdown();
}

bool MessageLoop::Send(Msg /*message*/, const std::function<void()>& handler) {
  return Invoke(handler);
}

void MessageLoop::Post(Msg /*message*/, std::function<void()> handler) {
  Post(std::move(handler));
}

bool MessageLoop::Invoke(const std::function<void()>& work) {
  if (IsOwnerThread()) {
    std::lock_guard ownerGuard(ownerLock_);
    work();
    return true;
  }
  bool done = false;
  bool ran = false;
  std::unique_lock lock(mutex_);
  if (stopping_) return false;
  queue_.push_back(Item{&work, {}, &done, &ran});
  wake_.notify_one();
  finished_.wait(lock, [&] { return done; });
  return ran;
}

void MessageLoop::Post(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  if (stopping_) return;
  queue_.push_back(Item{nullptr, std::move(work), nullptr, nullptr});
  wake_.notify_one();
}

void MessageLoop::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ && !thread_.joinable()) return;
    stopping_ = true;
    // Release every waiting sender without running its handler.
    for (Item& item : queue_) {
      if (item.done) *item.done = true;
    }
    queue_.clear();
    finished_.notify_all();
    wake_.notify_all();
  }
  if (thread_.joinable() && !IsOwnerThread()) thread_.join();
}

void MessageLoop::Run() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    Item item = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    {
      std::lock_guard ownerGuard(ownerLock_);
      if (item.handler) {
        (*item.handler)();
      } else if (item.posted) {
        item.posted();
      }
    }
    lock.lock();
    if (item.done) {
      *item.ran = true;
      *item.done = true;
      finished_.notify_all();
    }
  }
}

}  // namespace vexon::core
