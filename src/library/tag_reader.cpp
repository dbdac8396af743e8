#include "library/tag_reader.h"

#include <chrono>
#include <system_error>
#include <utility>

namespace vexon::library {

// What the thread hands to the owner: the results, and for each the stamp it was
// read with (nothing for a file that could not be looked at, which is not cached).
struct TagReader::Batch {
  std::vector<TagResult> results;
  std::vector<std::optional<FileStamp>> stamps;
};

namespace {

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  FileStamp stamp;
  stamp.size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  stamp.mtime = std::filesystem::last_write_time(path, error);
  if (error) return std::nullopt;
  return stamp;
}

}  // namespace

TagReader::TagReader(core::OwnerChannel& channel, TagsListener& listener) : channel_(channel), listener_(listener) {}

TagReader::~TagReader() {
  *alive_ = false;
  cancelled_ = true;
  {
    std::lock_guard lock(mutex_);
    queue_.clear();
  }
  if (thread_.joinable()) thread_.join();
}

void TagReader::Read(std::vector<std::filesystem::path> paths) {
  if (paths.empty()) return;
  pending_ += paths.size();
  bool start = false;
  {
    std::lock_guard lock(mutex_);
    for (auto& path : paths) {
      Job job{std::move(path), std::nullopt};
      if (const TagCache::Entry* entry = cache_.Find(job.path)) job.known = *entry;
      queue_.push_back(std::move(job));
    }
    start = !workerRunning_;
    workerRunning_ = true;
  }
  if (!start) return;
  // A thread that found nothing left has ended or is about to.
  if (thread_.joinable()) thread_.join();
  try {
    thread_ = std::thread([this] { Work(); });
  } catch (const std::system_error&) {
    std::lock_guard lock(mutex_);
    workerRunning_ = false;
  }
}

void TagReader::Work() {
  using Clock = std::chrono::steady_clock;
  auto batch = std::make_shared<Batch>();
  Clock::time_point batchStart;
  const auto flush = [&] {
    std::shared_ptr<bool> alive = alive_;
    channel_.Post(core::Msg::TagsRead, [this, alive, batch] {
      if (*alive) Deliver(*batch);
    });
    batch = std::make_shared<Batch>();
  };
  while (!cancelled_) {
    std::optional<Job> job;
    {
      std::lock_guard lock(mutex_);
      if (!queue_.empty()) {
        job = std::move(queue_.front());
        queue_.pop_front();
      } else if (batch->results.empty()) {
        workerRunning_ = false;
        return;
      }
    }
    if (!job) {
      flush();
      continue;
    }
    std::optional<FileStamp> stamp = StampOf(job->path);
    std::optional<AudioTags> tags;
    if (stamp && job->known && job->known->stamp == *stamp) {
      tags = job->known->tags;
    } else if (stamp) {
      tags = ReadAudioTags(job->path);
    }
    if (batch->results.empty()) batchStart = Clock::now();
    batch->results.push_back({std::move(job->path), std::move(tags)});
    batch->stamps.push_back(stamp);
    if (batch->results.size() >= kBatchFiles || Clock::now() - batchStart >= kBatchDelay) flush();
  }
}

void TagReader::Deliver(Batch& batch) {
  for (size_t i = 0; i < batch.results.size(); ++i) {
    if (batch.stamps[i]) cache_.Store(batch.results[i].path, *batch.stamps[i], batch.results[i].tags);
  }
  pending_ -= batch.results.size();
  listener_.TagsRead(batch.results);
}

}  // namespace vexon::library
