#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "core/owner_channel.h"

namespace vexon::core {

// One piece of work that waits on the network (the update, the word-list refresh),
// run off the owner thread so the window stays responsive. The work runs on a
// thread of its own and returns what to do with its outcome; that runs on the
// owner thread through the owner channel, unless the owner cancelled meanwhile.
// One job at a time. All members but the work itself are used on the owner thread.
class BackgroundJob final {
 public:
  // Runs on the job's thread; `cancelled` turns true when the owner loses interest.
  // Returns what the owner thread does with the outcome (may be empty).
  using Work = std::function<std::function<void()>(const std::atomic<bool>& cancelled)>;

  explicit BackgroundJob(OwnerChannel& channel);
  // Cancels and joins: the channel must refuse sends by then (or the job be over),
  // so the thread is never left waiting for this one.
  ~BackgroundJob();
  BackgroundJob(const BackgroundJob&) = delete;
  BackgroundJob& operator=(const BackgroundJob&) = delete;

  // False, and nothing runs, while a job runs or when no thread can be started.
  bool Start(Work work);
  // The running job's outcome is dropped and its work asked to end early.
  void Cancel();
  // From Start until the job's end has reached the owner thread.
  bool running() const { return running_; }

  // Called on the owner thread whenever a job has ended, cancelled or not.
  std::function<void()> onEnded;

 private:
  OwnerChannel& channel_;
  std::atomic<bool> cancelled_{false};
  bool running_ = false;
  std::thread thread_;
};

}  // namespace vexon::core
