#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/owner_channel.h"

class QObject;

namespace vexon::app::ui {

// The owner channel of the desktop program: the GUI thread is the owner thread.
// A worker's send is queued to the GUI thread's event loop and the worker waits;
// handlers run one at a time under one recursive lock.
class QtOwnerChannel final : public core::OwnerChannel {
 public:
  // Made on the GUI thread, which becomes the owner thread.
  QtOwnerChannel();
  ~QtOwnerChannel() override;
  QtOwnerChannel(const QtOwnerChannel&) = delete;
  QtOwnerChannel& operator=(const QtOwnerChannel&) = delete;

  bool Send(core::Msg message, const std::function<void()>& handler) override;
  void Post(core::Msg message, std::function<void()> handler) override;

  // Later sends return false at once and waiting senders are released without
  // their handlers running, so workers can be joined after the event loop ended.
  void Shutdown();
  bool IsOwnerThread() const { return std::this_thread::get_id() == ownerId_; }
  std::recursive_mutex& ownerLock() { return ownerLock_; }
  // Sent and posted handlers queued for the GUI thread.
  size_t queuedHandlers() const;

 private:
  struct Waiting {
    const std::function<void()>* handler = nullptr;  // lent by the waiting sender
    bool done = false;
    bool ran = false;
  };

  // A sent handler (with its waiting sender) or a posted one.
  struct Queued {
    Waiting* waiting = nullptr;
    std::function<void()> posted;
  };

  void Drain();
  // Has the GUI thread drain the queue; called under the lock.
  void WakeOwner();

  mutable std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<Queued> queue_;
  bool drainDue_ = false;  // under mutex_: a drain is queued or running
  bool stopping_ = false;
  bool draining_ = false;  // touched on the GUI thread only
  std::recursive_mutex ownerLock_;
  std::thread::id ownerId_;
  // Receives the queued wake-ups; deleting it drops the ones still pending.
  std::unique_ptr<QObject> context_;
};

}  // namespace vexon::app::ui
