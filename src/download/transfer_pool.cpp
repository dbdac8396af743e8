#include "download/transfer_pool.h"

#include <algorithm>
#include <exception>
#include <string>
#include <system_error>
#include <utility>

#include "download/transfer.h"

namespace vexon::download {

net::SessionSettings WorkerContext::DefaultSession() {
  return DownloadSessionSettings();
}

TransferPool::TransferPool(unsigned size, WorkerContext& context) : context_(context), size_(size) {}

TransferPool::~TransferPool() {
  std::vector<std::unique_ptr<Thread>> threads;
  {
    std::lock_guard lock(mutex_);
    shuttingDown_ = true;
    waiting_.clear();
    waitingById_.clear();
    for (auto& [id, job] : running_) job->stop.Request();
    threads.swap(threads_);
  }
  work_.notify_all();
  for (auto& thread : threads) {
    if (thread->thread.joinable()) thread->thread.join();
  }
}

bool TransferPool::Submit(std::unique_ptr<DownloadTask> task) {
  std::unique_lock lock(mutex_);
  JoinExited(lock);
  const uint32_t id = task->workerId;
  waiting_.push_back(std::move(task));
  waitingById_[id] = std::prev(waiting_.end());
  if (!StartThreads(lock) && liveThreads_ == 0 && size_ > 0) {
    // No thread will ever take it.
    waiting_.pop_back();
    waitingById_.erase(id);
    return false;
  }
  // One idle thread is enough: each takes one task.
  work_.notify_one();
  return true;
}

bool TransferPool::StartThreads(std::unique_lock<std::mutex>& lock) {
  (void)lock;
  while (waiting_.size() > idleThreads_ && liveThreads_ < size_) {
    auto thread = std::make_unique<Thread>();
    Thread* raw = thread.get();
    try {
      thread->thread = std::thread([this, raw] { ThreadMain(raw); });
    } catch (const std::system_error&) {
      return false;
    }
    ++liveThreads_;
    threads_.push_back(std::move(thread));
  }
  return true;
}

void TransferPool::JoinExited(std::unique_lock<std::mutex>& lock) {
  std::vector<std::unique_ptr<Thread>> exited;
  for (auto& thread : threads_) {
    if (thread->exited) exited.push_back(std::move(thread));
  }
  if (exited.empty()) return;
  std::erase(threads_, nullptr);
  lock.unlock();
  for (auto& thread : exited) thread->thread.join();
  lock.lock();
}

TransferPool::CancelResult TransferPool::Cancel(uint32_t workerId, bool discardPartial) {
  std::lock_guard lock(mutex_);
  if (auto it = waitingById_.find(workerId); it != waitingById_.end()) {
    waiting_.erase(it->second);
    waitingById_.erase(it);
    return CancelResult::kLeftQueue;
  }
  if (auto it = running_.find(workerId); it != running_.end()) {
    if (discardPartial) it->second->discardPartial = true;
    it->second->stop.Request();
    return CancelResult::kStopping;
  }
  return CancelResult::kUnknown;
}

void TransferPool::Resize(unsigned size) {
  std::unique_lock lock(mutex_);
  JoinExited(lock);
  size_ = std::max(size, 1u);
  StartThreads(lock);
  // Idle threads beyond the new size end now; busy ones after their download.
  work_.notify_all();
}

unsigned TransferPool::size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

size_t TransferPool::waitingCount() const {
  std::lock_guard lock(mutex_);
  return waiting_.size();
}

size_t TransferPool::runningCount() const {
  std::lock_guard lock(mutex_);
  return running_.size();
}

size_t TransferPool::threadCount() const {
  std::lock_guard lock(mutex_);
  return liveThreads_;
}

void TransferPool::ThreadMain(Thread* self) {
  // Kept from one download to the next, so the next file of the same server goes
  // over the same connection.
  std::unique_ptr<net::CurlSession> session;
  std::unique_lock lock(mutex_);
  while (true) {
    ++idleThreads_;
    work_.wait(lock, [&] { return shuttingDown_ || !waiting_.empty() || liveThreads_ > size_; });
    --idleThreads_;
    if (shuttingDown_ || liveThreads_ > size_) break;
    Job job;
    job.task = std::move(waiting_.front());
    waiting_.pop_front();
    const uint32_t id = job.task->workerId;
    waitingById_.erase(id);
    running_[id] = &job;
    lock.unlock();
    RunJob(job, session);
    lock.lock();
  }
  --liveThreads_;
  self->exited = true;
}

void TransferPool::RunJob(Job& job, std::unique_ptr<net::CurlSession>& session) {
  DownloadTask& task = *job.task;
  const uint32_t id = task.workerId;
  DownloadEvents& events = context_.events;
  const TransferReporter report = [this, &events, id](const TransferReport& r) {
    // Posted: the transfer goes on while the owner is busy. The end report is sent
    // after every post, so these run first.
    context_.channel.Post(core::Msg::DownloadProgress, [&events, id, r] { events.OnWorkerReport(id, r); });
  };
  bool completed = false;
  if (!job.stop.requested() && RecordsWritten(job, report)) {
    net::SessionSettings settings = context_.session;
    settings.bufferSize = std::min(settings.bufferSize, ChunkSizeFor(context_.maxDownloadSpeed.load()));
    // A rate limit set or lifted since the last download needs other chunks.
    if (!session || session->settings().bufferSize != settings.bufferSize) {
      session.reset();
      session = std::make_unique<net::CurlSession>(std::move(settings));
    }
    const TransferContext transfer{context_.maxDownloadSpeed};
    completed = RunTransfer(task, *session, job.stop, transfer, report) && !job.stop.requested();
  }
  {
    // Out of running_ before the end report leaves: a Cancel that finds it still
    // there is sure of the report, one that comes later gets kUnknown.
    std::lock_guard lock(mutex_);
    running_.erase(id);
  }
  core::Msg end = core::Msg::DownloadCompleted;
  if (!completed) end = job.discardPartial.load() ? core::Msg::DownloadEndedDelete : core::Msg::DownloadEndedKeep;
  context_.channel.Send(end, [&] { events.OnWorkerEnded(end, std::move(job.task)); });
}

bool TransferPool::RecordsWritten(Job& job, const TransferReporter& report) {
  core::WriteGate* gate = context_.records;
  if (gate == nullptr || job.task->recordTicket == 0) return true;
  const net::StopSignalAttachment wakeOnStop(job.stop, [gate] { gate->Wake(); });
  if (gate->WaitWritten(job.task->recordTicket, [&job] { return job.stop.requested(); })) return true;
  if (!job.stop.requested()) report(TransferReport::Failed(TransferFailure::kRecord));
  return false;
}

}  // namespace vexon::download
