#include "storage/settings_batch.h"

#include <algorithm>
#include <utility>

#include "text/strings.h"

namespace vexon::storage {

using Clock = std::chrono::steady_clock;
namespace {
// Replacing the file takes at most about a fifth of the time between writes.
constexpr int kCostFactor = 4;
}  // namespace

SettingsBatch::SettingsBatch(Profile& profile, std::chrono::milliseconds window)
    : profile_(profile), window_(window), thread_([this] { Run(); }) {}

SettingsBatch::~SettingsBatch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    holds_ = 0;
  }
  changed_.notify_all();
  thread_.join();
}

uint64_t SettingsBatch::SetKeys(const std::string& section, const Profile::Entries& entries) {
  return Queue({section, false, KeyValues(entries), {}});
}

uint64_t SettingsBatch::Compose(const std::string& section,
                                std::function<Profile::Entries(const IniDocument&)> compose) {
  return Queue({section, false, {}, std::move(compose)});
}

uint64_t SettingsBatch::RemoveSection(const std::string& section) {
  return Queue({section, true, {}, {}});
}

uint64_t SettingsBatch::Queue(Profile::SectionEdit change) {
  std::lock_guard lock(mutex_);
  const bool wasEmpty = pending_.empty();
  Merge(std::move(change));
  queuedUpTo_ = nextTicket_++;
  // The writer takes every change pending when it wakes: only the first needs a call.
  if (wasEmpty) changed_.notify_one();
  return queuedUpTo_;
}

void SettingsBatch::Merge(Profile::SectionEdit change) {
  const std::string_view name = text::Trim(change.section);
  const auto [first, last] = pendingIndex_.equal_range(text::HashNoCase(name));
  const auto queued = std::find_if(first, last, [&](const auto& entry) {
    return text::EqualsNoCase(text::Trim(pending_[entry.second].section), name);
  });
  if (queued == last) {
    pendingIndex_.emplace(text::HashNoCase(name), pending_.size());
    pending_.push_back(std::move(change));
    return;
  }
  Profile::SectionEdit& edit = pending_[queued->second];
  if (change.removeFirst) {
    edit.removeFirst = true;
    edit.entries.clear();
    edit.compose = nullptr;
  }
  if (change.compose) {
    edit.entries.clear();
    edit.compose = std::move(change.compose);
  }
  for (const auto& [key, value] : change.entries.Pairs()) edit.entries.Set(key, value);
}

uint64_t SettingsBatch::lastTicket() const {
  std::lock_guard lock(mutex_);
  return queuedUpTo_;
}

void SettingsBatch::Hold() {
  std::lock_guard lock(mutex_);
  ++holds_;
}

void SettingsBatch::Release() {
  {
    std::lock_guard lock(mutex_);
    if (holds_ > 0) --holds_;
  }
  changed_.notify_one();
}

uint64_t SettingsBatch::writeCount() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

bool SettingsBatch::Flush() {
  std::unique_lock lock(mutex_);
  const uint64_t ticket = queuedUpTo_;
  // Another thread's write may be under way; then ours follows it.
  written_.wait(lock, [&] { return !writing_; });
  if (writtenUpTo_ < ticket && !pending_.empty()) WriteOnce(lock);
  return writtenUpTo_ >= ticket;
}

bool SettingsBatch::WaitWritten(uint64_t ticket, const std::function<bool()>& stopped) {
  std::unique_lock lock(mutex_);
  written_.wait(lock, [&] { return writtenUpTo_ >= ticket || failedUpTo_ >= ticket || stopping_ || stopped(); });
  return writtenUpTo_ >= ticket;
}

void SettingsBatch::Wake() {
  // Under the lock: a waiter between its check and its wait would miss the call.
  std::lock_guard lock(mutex_);
  written_.notify_all();
}

void SettingsBatch::Run() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [&] { return stopping_ || (!pending_.empty() && holds_ == 0); });
    if (stopping_) break;
    if (writing_) {
      // A Flush on another thread is writing; what it leaves is ours after it.
      written_.wait(lock, [&] { return !writing_ || stopping_; });
      continue;
    }
    // A burst gathers while the last write is less than a window old; a file whose
    // every replacement takes long is replaced less often, not more of the time.
    const Clock::time_point due = lastWrite_ + std::max<Clock::duration>(window_, kCostFactor * lastCost_);
    if (Clock::now() < due) {
      changed_.wait_until(lock, due, [&] { return stopping_; });
      if (stopping_) break;
      if (holds_ > 0 || pending_.empty()) continue;
    }
    if (!writing_) WriteOnce(lock);
  }
  if (!pending_.empty() && !writing_) WriteOnce(lock);
}

void SettingsBatch::WriteOnce(std::unique_lock<std::mutex>& lock) {
  Profile::SectionEdits edits;
  edits.swap(pending_);
  pendingIndex_.clear();
  const uint64_t ticket = queuedUpTo_;
  writing_ = true;
  lock.unlock();
  const Clock::time_point began = Clock::now();
  const bool ok = profile_.Apply(edits);
  lock.lock();
  writing_ = false;
  lastWrite_ = Clock::now();
  lastCost_ = lastWrite_ - began;
  ++writes_;
  if (ok) {
    writtenUpTo_ = ticket;
  } else {
    failedUpTo_ = ticket;
    // Kept for the next attempt, under the changes queued meanwhile.
    Profile::SectionEdits later;
    later.swap(pending_);
    pendingIndex_.clear();
    for (Profile::SectionEdit& edit : edits) Merge(std::move(edit));
    for (Profile::SectionEdit& edit : later) Merge(std::move(edit));
  }
  written_.notify_all();
}

}  // namespace vexon::storage
