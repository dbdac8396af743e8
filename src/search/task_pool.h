#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vexon::search {

// A fixed number of worker threads for search work: at most `maxWorkers` jobs run
// at once, the rest wait in a queue, so thousands of found links never mean
// thousands of threads. Workers are started as they are needed.
class TaskPool final {
 public:
  static constexpr size_t kDefaultWorkers = 64;

  explicit TaskPool(size_t maxWorkers = kDefaultWorkers);
  ~TaskPool();
  TaskPool(const TaskPool&) = delete;
  TaskPool& operator=(const TaskPool&) = delete;

  // Queues a job; false after shutdown, or when no thread can be started to run
  // it (the job is then dropped). An urgent job goes ahead of every job
  // that is not: result pages go before link checks, so a page chain never waits
  // for the checks its own pages queued.
  bool Submit(uint32_t id, std::function<void()> job, bool urgent = false);
  // Removes every job that has not started and returns their ids, in queue order.
  std::vector<uint32_t> DropQueued();
  // Drops the queue and joins every worker (running jobs finish first).
  void Shutdown();

  size_t threadCount() const;
  size_t queuedCount() const;

 private:
  struct Job {
    uint32_t id;
    std::function<void()> work;
  };
  void WorkerLoop();
  void RemoveQueued(uint32_t id);  // under mutex_

  const size_t maxWorkers_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  size_t urgentQueued_ = 0;  // urgent jobs stand at the front of queue_
  std::vector<std::thread> workers_;
  size_t idle_ = 0;
  bool stopping_ = false;
};

}  // namespace vexon::search
