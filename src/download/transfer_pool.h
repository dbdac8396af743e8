#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/owner_channel.h"
#include "core/write_gate.h"
#include "download/download_events.h"
#include "download/download_task.h"
#include "net/curl_session.h"
#include "net/stop_signal.h"

namespace vexon::download {

// What the transfer threads share with the rest of the program.
struct WorkerContext {
  core::OwnerChannel& channel;
  DownloadEvents& events;
  // KB/s per file, 0 = no limit; re-read after every chunk.
  const std::atomic<unsigned>& maxDownloadSpeed;
  net::SessionSettings session = DefaultSession();
  // Where a task's records are waited for before its partial file is touched;
  // none: they are written before the task is queued.
  core::WriteGate* records = nullptr;

  static net::SessionSettings DefaultSession();
};

// The threads that transfer downloads: at most `size` of them, whatever the length
// of the queue, each taking the next waiting task in queue order as it comes free
// and keeping its HTTP session (and so its connection) from one download to the
// next. A queued task is a record here, not a thread.
//
// Every task submitted ends with exactly one end report (completed, ended keeping
// its partial file, ended with it to be deleted), sent from the thread that ran
// it, unless it left the queue through Cancel before it started. Submit, Cancel
// and Resize come from the owner thread. A pool of size 0 holds every task until
// it is resized.
class TransferPool final {
 public:
  TransferPool(unsigned size, WorkerContext& context);
  // Drops the waiting tasks, stops the running ones and joins every thread. The
  // owner channel must refuse sends by then, so no thread waits on it.
  ~TransferPool();
  TransferPool(const TransferPool&) = delete;
  TransferPool& operator=(const TransferPool&) = delete;

  // Queues the task behind those waiting; its workerId must be unique among the
  // tasks not yet ended. False when no thread could be started for it.
  bool Submit(std::unique_ptr<DownloadTask> task);

  enum class CancelResult {
    kLeftQueue,  // it had not started: no end report follows
    kStopping,   // it runs and was asked to stop: its end report follows
    kUnknown,    // not here (ended, or its end report is on its way)
  };
  // Ends the task `workerId`; with `discardPartial` its end report asks for the
  // partial file to be deleted.
  CancelResult Cancel(uint32_t workerId, bool discardPartial);

  // A larger pool starts threads for waiting tasks at once; a smaller one lets
  // running downloads finish and ends threads until it has its new size.
  void Resize(unsigned size);

  unsigned size() const;
  size_t waitingCount() const;
  size_t runningCount() const;
  // Threads alive now, idle ones included.
  size_t threadCount() const;

 private:
  // A task being run, on its thread's stack: a waiting task is only its record.
  struct Job {
    std::unique_ptr<DownloadTask> task;
    net::StopSignal stop;
    std::atomic<bool> discardPartial{false};
  };
  struct Thread {
    std::thread thread;
    bool exited = false;  // under mutex_
  };

  void ThreadMain(Thread* self);
  // Runs one job to its end report on the calling thread.
  void RunJob(Job& job, std::unique_ptr<net::CurlSession>& session);
  // Waits until the task's records are on disk; false (after the failure report)
  // when they could not be written or the job was stopped meanwhile.
  bool RecordsWritten(Job& job, const std::function<void(const TransferReport&)>& report);
  // Starts threads while tasks wait and the pool has room; under mutex_.
  bool StartThreads(std::unique_lock<std::mutex>& lock);
  // Joins threads that have ended; under mutex_, which it releases while joining.
  void JoinExited(std::unique_lock<std::mutex>& lock);

  WorkerContext& context_;
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable work_;
  unsigned size_;
  bool shuttingDown_ = false;
  size_t idleThreads_ = 0;
  size_t liveThreads_ = 0;
  using Waiting = std::list<std::unique_ptr<DownloadTask>>;
  Waiting waiting_;
  std::unordered_map<uint32_t, Waiting::iterator> waitingById_;
  std::unordered_map<uint32_t, Job*> running_;
  std::vector<std::unique_ptr<Thread>> threads_;
};

}  // namespace vexon::download
