#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/keyed_rows.h"
#include "core/list_table.h"
#include "core/owner_channel.h"
#include "core/prompter.h"
#include "core/result_list.h"
#include "core/subscribers.h"
#include "download/download_as_dialog.h"
#include "download/download_events.h"
#include "download/download_item.h"
#include "download/download_listener.h"
#include "download/download_texts.h"
#include "download/transfer_pool.h"
#include "storage/app_settings.h"
#include "storage/settings_store.h"

namespace vexon::download {

// The owner-thread side of downloads: the download list, its commands, the
// transfers it queues and stops, and their reports. Every method runs on the owner
// thread. Commands take the selection as row indices in list order and do nothing
// without one. Lookups by item, worker and name are hashed, so a list of 20,000
// downloads costs per report what a list of 20 does.
class DownloadController final : public DownloadEvents {
 public:
  DownloadController(core::OwnerChannel& channel, core::Prompter& prompter, DownloadAsDialog& downloadAs,
                     core::ResultList& results, core::ListTable& downloads, storage::AppSettings& settings,
                     storage::SettingsStore& store, unsigned maxTransfers, const DownloadTexts& texts,
                     std::function<std::string()> currentKeyword = {});
  // Stops every download, keeping its partial file, and joins the workers. The
  // owner channel must already refuse sends, so no worker waits on it.
  ~DownloadController() override;
  DownloadController(const DownloadController&) = delete;
  DownloadController& operator=(const DownloadController&) = delete;

  using Subscription = core::Subscribers<DownloadListener>::Subscription;
  // Completions, failures and transfer ends reach `listener` while the result lives.
  Subscription Subscribe(DownloadListener& listener) { return listeners_.Subscribe(listener); }

  // Commands on the results list. With several rows selected, the start command
  // queues each in list order as it would queue that row alone, leaving out rows
  // whose URL is listed or whose name is taken, and tells their number once.
  void OnStartDownload(const std::vector<size_t>& selectedResults);
  void OnDownloadAs(const std::vector<size_t>& selectedResults);
  // Pasted, dropped or typed addresses (http and https), queued as a many-rows start
  // queues results: in the default folder, named from the URL, leaving out those
  // whose URL is listed or whose name is taken, and telling their number once.
  void OnAddAddresses(const std::vector<std::string>& urls);
  // Commands on the download list.
  void OnDeleteDownload(const std::vector<size_t>& selectedDownloads);
  void OnDeleteAll();
  void OnDownloadDoubleClick(const std::vector<size_t>& selectedDownloads);
  void OnResumeDownload(const std::vector<size_t>& selectedDownloads);
  void OnResumeAll();
  void OnStopDownload(const std::vector<size_t>& selectedDownloads);
  void OnStopAll();

  // Queues a download without a results row (vexon-cli get): the URL kept as the
  // start command keeps it ("%20" as blanks, "&amp;" as "&"), the same duplicate
  // checks and messages, a resume from an existing partial file, the row and the
  // record. False when nothing was queued.
  // `digest` ("sha1=HEX", "md5=HEX"; empty: none) is what the bytes must hash to.
  bool AddDownload(const std::string& url, const std::string& fullName, const std::string& sizeText,
                   const std::string& digest = {});

  // The unfinished downloads of the settings file, as stopped rows.
  void LoadRecords(const std::vector<storage::DownloadRecord>& records);

  // A new MaxDownloadThreads while downloads run: more transfer at once at once;
  // with fewer, running downloads finish and the pool then keeps its new size.
  void ApplyMaxDownloadThreads(unsigned count);

  // The item a row of the list shows; nullptr for no such row.
  const DownloadItem* ItemAtRow(size_t row) const;
  struct Counts {
    size_t total = 0;
    size_t waiting = 0;  // queued for a slot
    size_t stopped = 0;
    size_t running = 0;  // connecting or transferring
  };
  Counts CountByState() const;
  struct Progress {
    size_t running = 0;     // connecting or transferring
    uint64_t received = 0;  // of those whose size is known
    uint64_t total = 0;
  };
  // Sums over the running downloads; a walk of the list, so for a slow timer.
  Progress RunningProgress() const;
  // Downloads queued or running whose end has not been handled yet.
  size_t liveWorkerCount() const { return jobs_.size(); }
  // Session settings of transfers started from now on.
  WorkerContext& workerContext() { return context_; }
  const TransferPool& pool() const { return pool_; }

  void OnWorkerReport(uint32_t workerId, const TransferReport& report) override;
  void OnWorkerEnded(core::Msg message, std::unique_ptr<DownloadTask> task) override;

 private:
  // A results row made ready for queueing.
  struct PreparedResult {
    size_t row = 0;
    uint64_t key = 0;       // of the results row; 0 for an address given without one
    std::string resultUrl;  // as the result gave it
    std::string digest;     // "sha1=HEX", else "md5=HEX", else empty
    std::string url;
    std::string urlName;
    std::string size;
    std::string title;
  };

  bool PrepareResult(size_t row, PreparedResult& prepared) const;
  // The one-row start command.
  void StartOne(size_t row);
  // Queues the result under its default name unless its URL is listed or the name
  // is taken; false when it was left out.
  bool StartQuietly(const PreparedResult& result);
  // Queues the next kStartSlice results of a many-rows start, and posts itself for
  // the rest; after the last, tells how many were left out.
  void StartNextSlice();
  // Queues a transfer; its worker id, or 0 (after the message) when it cannot run.
  // Its reports are handled on this thread only after the command returns, so the
  // row is in place before the first one. While an earlier transfer of the same
  // partial file is still ending, the new one is queued only after it. With
  // `resume` it continues after what the partial file holds when it opens it;
  // otherwise it empties the file. It touches the partial file only once the
  // settings file's write `recordTicket` is on disk.
  uint32_t QueueDownload(SharedTarget target, bool resume, uint64_t recordTicket);
  // Queueing steps 6 to 9 of both add commands; false when nothing was queued.
  bool QueueNewRow(const std::string& url, const std::string& fullName, const std::string& sizeText, bool resume,
                   size_t resultsRow, const std::string& digest = {});

  DownloadItem* ItemOfKey(uint64_t key) { return items_.Find(key); }
  DownloadItem* ItemOfWorker(uint32_t workerId);
  bool HasUrl(std::string_view url) const;
  bool HasFullName(std::string_view fullName) const;
  // Adds an item and its row.
  DownloadItem& AddItem(DownloadItem item);
  // Shows the item's changed fields in its row.
  void ShowItem(const DownloadItem& item) { items_.Show(item.key); }
  void RemoveItem(uint64_t key);
  // State and worker changes go through these, so counts and lookups follow.
  void SetState(DownloadItem& item, DownloadState state);
  void BindWorker(DownloadItem& item, uint32_t workerId);

  void DeleteItem(uint64_t key);
  void StopItem(DownloadItem& item);
  bool ResumeItem(DownloadItem& item);
  void SetStopped(DownloadItem& item, DownloadStatus status = DownloadStatus::Stopped());
  void EndWorker(core::Msg message, std::unique_ptr<DownloadTask> task);
  void FinishCompleted(std::unique_ptr<DownloadTask> task, const std::string& partialPath);

  // A transfer not yet ended: in the pool, or held back behind an earlier writer of
  // the same partial file.
  struct LiveJob {
    size_t writerKey = 0;  // its partial file's in writers_
    std::unique_ptr<DownloadTask> heldBack;
  };

  void TellFailure(const std::string& fullName, TransferFault fault);
  uint32_t NextWorkerId();
  // Ends a transfer on the owner's side; true when it had not started, so no end
  // report follows.
  bool CancelJob(uint32_t workerId, bool discardPartial);
  // Forgets an ended transfer.
  void ForgetJob(uint32_t workerId);
  // A partial file's key in writers_: its path's hash. Two paths of one hash, should
  // they ever meet, only take turns.
  static size_t WriterKey(std::string_view partialPath) { return std::hash<std::string_view>{}(partialPath); }
  // Hands the pool the transfer that waited for the ended writer of `partialPath`.
  void StartNextWriter(const std::string& partialPath);

  core::Prompter& prompter_;
  DownloadAsDialog& downloadAs_;
  core::ResultList& results_;
  core::ListTable& downloads_;
  const DownloadTexts& texts_;
  storage::AppSettings& settings_;
  storage::SettingsStore& store_;
  // The search text of the latest search: a name candidate of Download As.
  const std::function<std::string()> currentKeyword_;
  core::Subscribers<DownloadListener> listeners_;
  // A many-rows start still being queued, and how many of its rows were left out.
  static constexpr size_t kStartSlice = 250;
  std::deque<PreparedResult> startQueue_;
  size_t startLeftOut_ = 0;
  // Posted work checks it is still wanted: the controller may be gone by then.
  std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
  WorkerContext context_;
  core::KeyedRows<DownloadItem> items_;
  std::unordered_map<uint32_t, uint64_t> keyOfWorker_;
  // Hash of a full name -> the items with it: thousands of paths are not held twice.
  std::unordered_multimap<size_t, uint64_t> keysByName_;
  Counts counts_;
  uint32_t nextWorkerId_ = 1;
  std::unordered_map<uint32_t, LiveJob> jobs_;
  // Per partial file, its transfers in the order queued; only the first is in the pool.
  std::unordered_map<size_t, std::vector<uint32_t>> writers_;
  // Last: its threads use the members above until they are joined.
  TransferPool pool_;
};

}  // namespace vexon::download
