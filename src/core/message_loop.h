#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "core/owner_channel.h"

namespace vexon::core {

// The owner thread of the headless program and of tests: runs handlers one at a
// time under one recursive lock. The owner never waits for a worker.
class MessageLoop final : public OwnerChannel {
 public:
  MessageLoop();
  ~MessageLoop() override;
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  bool Send(Msg message, const std::function<void()>& handler) override;
  void Post(Msg message, std::function<void()> handler) override;
  // Runs `work` on the owner thread and waits for it; false after shutdown.
  bool Invoke(const std::function<void()>& work);
  // Queues `work` for the owner thread without waiting; dropped after shutdown.
  void Post(std::function<void()> work);

  // Ends the loop: later sends return at once, waiting senders are released
  // without their handlers running, and the owner thread is joined.
  void Shutdown();
  bool IsOwnerThread() const { return std::this_thread::get_id() == ownerId_; }
  std::recursive_mutex& ownerLock() { return ownerLock_; }

 private:
  struct Item {
    const std::function<void()>* handler = nullptr;  // synchronous: lent by sender
    std::function<void()> posted;                    // asynchronous: owned here
    bool* done = nullptr;
    bool* ran = nullptr;
  };

  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::deque<Item> queue_;
  bool stopping_ = false;
  std::recursive_mutex ownerLock_;
  std::thread thread_;
  std::thread::id ownerId_;
};

}  // namespace vexon::core
