#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/write_gate.h"
#include "storage/profile.h"

namespace vexon::storage {

// Section changes that come in bursts (download records, the downloaded-files log)
// leave for the settings file from a thread of their own: the first change after a
// quiet spell at once, later ones together, one replacement of the file per
// `window`, or per four times what the last replacement took when that is longer,
// so a file of thousands of records costs the writer a steady share of its time.
// Changes of one section merge, so the file sees only the last of them.
// A write that fails keeps its changes for the next attempt. Waiters learn when the
// changes up to their ticket are on disk.
class SettingsBatch final : public core::WriteGate {
 public:
  explicit SettingsBatch(Profile& profile, std::chrono::milliseconds window = std::chrono::milliseconds(100));
  // Writes what is pending (one last attempt) and ends the thread.
  ~SettingsBatch() override;
  SettingsBatch(const SettingsBatch&) = delete;
  SettingsBatch& operator=(const SettingsBatch&) = delete;

  // Queues a change; returns its ticket. Names and values must be writable.
  uint64_t SetKeys(const std::string& section, const Profile::Entries& entries);
  uint64_t RemoveSection(const std::string& section);
  // A section made from the file as it is when written (Profile::SectionEdit);
  // it replaces every earlier change of the section still pending.
  uint64_t Compose(const std::string& section, std::function<Profile::Entries(const IniDocument&)> compose);
  uint64_t lastTicket() const;

  // While a hold is alive nothing is written, so changes made under it leave in one
  // replacement of the file.
  void Hold();
  void Release();

  // Writes what is pending now and waits for it; false when the write failed.
  bool Flush();
  // How many replacements of the file were made, for benchmarks.
  uint64_t writeCount() const;

  bool WaitWritten(uint64_t ticket, const std::function<bool()>& stopped) override;
  void Wake() override;

 private:
  void Run();
  uint64_t Queue(Profile::SectionEdit change);
  // Takes the pending changes, writes them without the lock and records the result.
  void WriteOnce(std::unique_lock<std::mutex>& lock);
  // Folds a change into the pending one of its section (names ignore ASCII case).
  void Merge(Profile::SectionEdit change);

  Profile& profile_;
  const std::chrono::milliseconds window_;
  mutable std::mutex mutex_;         // guards everything below
  std::condition_variable changed_;  // wakes the writer thread
  std::condition_variable written_;  // wakes waiters
  Profile::SectionEdits pending_;
  // A section name's case-blind hash -> its place in pending_.
  std::unordered_multimap<size_t, size_t> pendingIndex_;
  uint64_t nextTicket_ = 1;
  uint64_t queuedUpTo_ = 0;
  uint64_t writtenUpTo_ = 0;
  uint64_t failedUpTo_ = 0;  // the latest attempt that failed covered tickets up to this
  uint64_t writes_ = 0;
  unsigned holds_ = 0;
  bool writing_ = false;
  bool stopping_ = false;
  std::chrono::steady_clock::time_point lastWrite_{};
  std::chrono::steady_clock::duration lastCost_{};  // what the last replacement took
  std::thread thread_;                              // last: it uses the members above
};

}  // namespace vexon::storage
