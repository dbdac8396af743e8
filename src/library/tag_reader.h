#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "core/owner_channel.h"
#include "library/audio_tags.h"
#include "library/tag_cache.h"

namespace vexon::library {

struct TagResult {
  std::filesystem::path path;
  std::optional<AudioTags> tags;  // nothing: no tags, not audio, gone or unreadable
};

// Hears of tags as they are read, on the owner thread.
class TagsListener {
 public:
  virtual ~TagsListener() = default;
  // One batch of paths, each reported once per time it was asked for.
  virtual void TagsRead(std::span<const TagResult> results) = 0;
};

// Reads the tags of many files off the owner thread. A thread of its own starts
// when paths are queued and ends once none are left. It looks at each file's size
// and modification time first: a file unchanged since the cache saw it is answered
// from the cache without being opened again. Results reach the owner thread in
// batches (kBatchFiles files, or what was read within kBatchDelay), so thousands of
// files cost the owner a few dozen wakeups; the owner side stores them in the
// cache before telling the listener.
// Created, used and destroyed on the owner thread (or after the channel has shut
// down), which is where the batches arrive too.
class TagReader final {
 public:
  static constexpr size_t kBatchFiles = 64;
  static constexpr std::chrono::milliseconds kBatchDelay{100};

  TagReader(core::OwnerChannel& channel, TagsListener& listener);
  // Drops the paths not read yet and the batches still on their way, and joins the
  // thread after the file it is reading; it never waits for the owner thread.
  ~TagReader();
  TagReader(const TagReader&) = delete;
  TagReader& operator=(const TagReader&) = delete;

  // Queues the paths after any queued before; a path given twice is reported twice.
  // When no thread can be started they stay queued for the next call.
  void Read(std::vector<std::filesystem::path> paths);

  // Paths asked for and not reported yet.
  size_t pending() const { return pending_; }
  const TagCache& cache() const { return cache_; }

 private:
  struct Job {
    std::filesystem::path path;
    std::optional<TagCache::Entry> known;  // what the cache held when it was queued
  };
  struct Batch;

  void Work();
  void Deliver(Batch& batch);

  core::OwnerChannel& channel_;  // safe from any thread by its contract
  TagsListener& listener_;       // owner thread
  TagCache cache_;               // owner thread
  size_t pending_ = 0;           // owner thread
  std::thread thread_;           // owner thread
  // The flag is read and written on the owner thread only; shared so the batches
  // still queued on the channel after destruction can tell that this is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  std::atomic<bool> cancelled_{false};  // set by the owner, polled by the thread
  std::mutex mutex_;
  std::deque<Job> queue_;       // mutex_
  bool workerRunning_ = false;  // mutex_
};

}  // namespace vexon::library
