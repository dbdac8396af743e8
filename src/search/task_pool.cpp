#include "search/task_pool.h"

#include <system_error>

namespace vexon::search {

TaskPool::TaskPool(size_t maxWorkers) : maxWorkers_(maxWorkers == 0 ? 1 : maxWorkers) {}

TaskPool::~TaskPool() {
  Shutdown();
}

bool TaskPool::Submit(uint32_t id, std::function<void()> job, bool urgent) {
  std::lock_guard lock(mutex_);
  if (stopping_) return false;
  if (urgent) {
    queue_.insert(queue_.begin() + static_cast<std::ptrdiff_t>(urgentQueued_), Job{id, std::move(job)});
    ++urgentQueued_;
  } else {
    queue_.push_back(Job{id, std::move(job)});
  }
  // Idle workers each take one queued job; start another worker while the queue
  // holds more jobs than there are idle workers and the limit allows.
  if (queue_.size() > idle_ && workers_.size() < maxWorkers_) {
    try {
      workers_.emplace_back([this] { WorkerLoop(); });
    } catch (const std::system_error&) {
      // Out of threads: the workers there are take the job in turn. With none at
      // all it would wait for ever, so it is dropped and the caller told.
      if (workers_.empty()) {
        RemoveQueued(id);
        return false;
      }
    }
  }
  wake_.notify_one();
  return true;
}

void TaskPool::RemoveQueued(uint32_t id) {
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (it->id != id) continue;
    if (static_cast<size_t>(it - queue_.begin()) < urgentQueued_) --urgentQueued_;
    queue_.erase(it);
    return;
  }
}

std::vector<uint32_t> TaskPool::DropQueued() {
  std::lock_guard lock(mutex_);
  std::vector<uint32_t> ids;
  ids.reserve(queue_.size());
  for (const Job& job : queue_) ids.push_back(job.id);
  queue_.clear();
  urgentQueued_ = 0;
  return ids;
}

void TaskPool::Shutdown() {
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
    urgentQueued_ = 0;
    workers.swap(workers_);
  }
  wake_.notify_all();
  for (std::thread& t : workers) {
    if (t.get_id() == std::this_thread::get_id()) {
      t.detach();
    } else if (t.joinable()) {
      t.join();
    }
  }
}

size_t TaskPool::threadCount() const {
  std::lock_guard lock(mutex_);
  return workers_.size();
}

size_t TaskPool::queuedCount() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

void TaskPool::WorkerLoop() {
  std::unique_lock lock(mutex_);
  while (true) {
    ++idle_;
    wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    --idle_;
    if (stopping_) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    if (urgentQueued_ > 0) --urgentQueued_;
    lock.unlock();
    job.work();
    job.work = nullptr;  // free what the job held before waiting again
    lock.lock();
  }
}

}  // namespace vexon::search
