#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "core/owner_channel.h"
#include "download/download_events.h"
#include "download/download_slots.h"
#include "download/download_task.h"
#include "download/download_texts.h"
#include "net/curl_session.h"
#include "net/stop_signal.h"

namespace vexon::download {

// Results of the worker's slot wait, as the owner reads them.
inline constexpr uint32_t kHoldsSlot = 0;
inline constexpr uint32_t kStillWaiting = 258;
inline constexpr uint32_t kNotWaitedYet = 217;

// What every worker shares with the rest of the program.
struct WorkerContext {
  core::OwnerChannel& channel;
  DownloadEvents& events;
  DownloadSlots& slotPool;
  // KB/s per file, 0 = no limit; re-read after every chunk.
  const std::atomic<unsigned>& maxDownloadSpeed;
  const DownloadTexts& texts;
  net::SessionSettings session = DefaultSession();

  static net::SessionSettings DefaultSession();
};

// One download on a thread of its own: waits for a slot, fetches the URL into the
// partial file (resuming at its end with a Range request), keeps to the rate limit
// and reports progress through the owner channel. Exactly one of the end reports
// (completed, ended, discarded) is its last message.
class DownloadWorker final {
 public:
  // `id` must be unique among live workers; the task's workerId is set to it.
  DownloadWorker(uint32_t id, std::unique_ptr<DownloadTask> task, WorkerContext& context);
  // Joins the thread; the owner asks the worker to stop, and shuts the channel,
  // before it lets the last reference go.
  ~DownloadWorker();
  DownloadWorker(const DownloadWorker&) = delete;
  DownloadWorker& operator=(const DownloadWorker&) = delete;

  // Starts the thread. The owner writes the id into the row first.
  void Start();
  uint32_t id() const { return id_; }
  uint32_t lastWaitResult() const { return lastWaitResult_.load(); }
  // True once the thread function has returned: joining then never waits.
  bool exited() const { return exited_.load(); }

  void RequestStop();
  void RequestStopWaiting();
  void RequestDelete();
  void RequestDeleteWaiting();

 private:
  void Run();
  bool RunTransfer();
  void Report(core::Msg message, const std::string& text);

  std::unique_ptr<DownloadTask> task_;
  WorkerContext& context_;
  const uint32_t id_;
  net::StopSignal stop_;
  std::atomic<bool> discardPartial_{false};
  std::atomic<bool> leaveQueue_{false};
  std::atomic<uint32_t> lastWaitResult_{kNotWaitedYet};
  std::atomic<bool> exited_{false};
  std::thread thread_;
};

}  // namespace vexon::download
