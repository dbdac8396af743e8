#include "download/download_controller.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <tuple>
#include <utility>

#include "core/list_schemas.h"
#include "download/download_item.h"
#include "download/file_names.h"
#include "download/final_file.h"
#include "net/url.h"
#include "text/strings.h"

namespace vexon::download {
namespace {

using core::MessageButtons;
using core::MessageIcon;
using core::MessageResult;

// The valid rows of a selection, ascending and without repeats.
std::vector<size_t> ValidRows(const std::vector<size_t>& selected, size_t rowCount) {
  std::vector<size_t> rows;
  for (size_t row : selected) {
    if (row < rowCount) rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

std::string PartialPathOf(const std::string& fullName) {
  return fullName + std::string(core::kPartialSuffix);
}

// The percent a stopped row shows for what its partial file holds of `sizeText`.
std::string PercentOf(const std::string& sizeText, uint64_t have) {
  const uint64_t total = text::LeadingDigits(sizeText);
  // A size that is no positive whole number gives no percentage.
  if (total == 0 || have == 0) return {};
  const double percent = static_cast<double>(have) * 100.0 / static_cast<double>(total);
  return text::Format("%d%%", percent >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(percent));
}

}  // namespace

DownloadController::DownloadController(core::OwnerChannel& channel, core::Prompter& prompter,
                                       DownloadAsDialog& downloadAs, core::ResultList& results,
                                       core::ListTable& downloads, storage::AppSettings& settings,
                                       storage::SettingsStore& store, DownloadSlots& slots, const DownloadTexts& texts)
    : prompter_(prompter),
      downloadAs_(downloadAs),
      results_(results),
      downloads_(downloads),
      settings_(settings),
      store_(store),
      slots_(slots),
      context_{channel, *this, slots, settings.MaxDownloadSpeed, texts} {
  downloads_.IndexColumn(core::kDownloadUrl);
}

DownloadController::~DownloadController() {
  for (auto& live : workers_) live.worker->RequestStopWaiting();
  for (auto& worker : retired_) worker->RequestStopWaiting();
  workers_.clear();
  retired_.clear();
}

bool DownloadController::PrepareResult(const std::vector<size_t>& selectedResults, PreparedResult& prepared) const {
  const std::vector<size_t> rows = ValidRows(selectedResults, results_.size());
  if (rows.empty()) return false;
  const core::ResultRow* result = results_.At(rows.front());
  if (result == nullptr) return false;
  prepared.row = rows.front();
  prepared.url = net::ShownUrl(result->url);
  prepared.urlName = net::UrlFileName(prepared.url);
  prepared.size = result->size;
  prepared.title = result->title;
  return true;
}

void DownloadController::OnStartDownload(const std::vector<size_t>& selectedResults) {
  ReapRetired();
  PreparedResult result;
  if (!PrepareResult(selectedResults, result)) return;
  auto [stem, extension] = SplitExtension(result.urlName);
  const std::string fileName =
      settings_.TitleDown ? SafeFileName(result.title, extension) : SafeFileName(stem, extension);
  if (HasUrl(result.url)) {
    prompter_.Show(kUrlListedText, MessageIcon::kStop, MessageButtons::kOk);
    return;
  }
  const std::string fullName = JoinFolder(settings_.DefaultMusicPath, fileName);
  const char* question = nullptr;
  if (FileExists(fullName)) {
    question = kFileOnDiskQuestion;
  } else if (HasFullName(fullName)) {
    question = kFullNameListedQuestion;
  }
  if (question) {
    if (prompter_.Show(question, MessageIcon::kExclamation, MessageButtons::kOkCancel) == MessageResult::kOk) {
      OnDownloadAs({result.row});
    }
    return;
  }
  QueueNewRow(result.url, fullName, result.size, false, result.row);
}

void DownloadController::OnDownloadAs(const std::vector<size_t>& selectedResults) {
  ReapRetired();
  PreparedResult result;
  if (!PrepareResult(selectedResults, result)) return;
  if (HasUrl(result.url)) {
    prompter_.Show(kUrlListedAsText, MessageIcon::kNone, MessageButtons::kOk);
    return;
  }
  std::string stem;
  std::string extension;
  if (result.urlName.find('.') != std::string::npos) {
    std::tie(stem, extension) = SplitExtension(result.urlName);
  }
  DownloadAsForm form(stem, result.title, currentKeyword ? currentKeyword() : std::string(),
                      JoinFolder(settings_.DefaultMusicPath, ""), extension);
  form.Open();
  if (!downloadAs_.Show(form)) return;
  while (true) {
    const std::string& fullName = form.fullName();
    // A full name already in the list is asked about too: two downloads must never
    // write the same partial file.
    MessageIcon icon = MessageIcon::kNone;
    const char* question = nullptr;
    if (FileExists(fullName)) {
      question = kFileOnDiskAsQuestion;
    } else if (HasFullName(fullName)) {
      question = kFullNameListedQuestion;
      icon = MessageIcon::kExclamation;
    }
    if (!question) break;
    if (prompter_.Show(question, icon, MessageButtons::kOkCancel) != MessageResult::kOk) return;
    form.Open();
    if (!downloadAs_.Show(form)) return;
  }
  QueueNewRow(result.url, form.fullName(), result.size, false, result.row);
}

bool DownloadController::AddDownload(const std::string& givenUrl, const std::string& fullName,
                                     const std::string& sizeText) {
  ReapRetired();
  // Kept in the form the start command keeps, so both find each other's duplicates.
  const std::string url = net::ShownUrl(givenUrl);
  if (HasUrl(url)) {
    prompter_.Show(kUrlListedText, MessageIcon::kStop, MessageButtons::kOk);
    return false;
  }
  const std::string_view name = AfterLastSlash(fullName);
  const auto [stem, extension] = SplitExtension(name);
  const std::string target =
      std::string(std::string_view(fullName).substr(0, fullName.size() - name.size())) + SafeFileName(stem, extension);
  // Without a dialog to choose another name, the questions only refuse.
  const char* question = nullptr;
  if (FileExists(target)) {
    question = kFileOnDiskQuestion;
  } else if (HasFullName(target)) {
    question = kFullNameListedQuestion;
  }
  if (question) {
    prompter_.Show(question, MessageIcon::kExclamation, MessageButtons::kOkCancel);
    return false;
  }
  return QueueNewRow(url, target, sizeText, true, core::ListTable::npos);
}

void DownloadController::LoadRecords(const std::vector<storage::DownloadRecord>& records) {
  for (const storage::DownloadRecord& record : records) {
    DownloadItem item;
    item.fullName = record.fullName;
    item.url = record.url;
    item.sizeText = record.sizeText;
    item.percent = PercentOf(record.sizeText, record.partialBytes);
    item.received = text::Format("%llu", static_cast<unsigned long long>(record.partialBytes));
    item.speed = kStoppedSpeedText;
    item.status = kStoppedText;
    AddItem(std::move(item));
  }
  downloads_.Resort();
}

bool DownloadController::QueueNewRow(const std::string& url, const std::string& fullName, const std::string& sizeText,
                                     bool resume, size_t resultsRow) {
  // A record must give a restarted program the very URL this download began with.
  if (!storage::SettingsStore::FitsDownloadRecord(url)) {
    prompter_.Show(kUrlTooLongText, MessageIcon::kStop, MessageButtons::kOk);
    return false;
  }
  DownloadWorker* worker = QueueDownload(url, fullName, resume);
  if (!worker) return false;
  DownloadItem item;
  item.state = DownloadState::kQueued;
  item.workerId = worker->id();
  item.fullName = fullName;
  item.url = url;
  item.sizeText = sizeText;
  item.status = kWaitingText;
  AddItem(std::move(item));
  if (resultsRow != core::ListTable::npos) results_.table().SetRowMarks(resultsRow, true);
  downloads_.Resort();
  if (!store_.WriteDownloadRecord(fullName, url, sizeText, storage::kWriteDownloadRecord)) {
    prompter_.Show(kRecordNotKeptText, MessageIcon::kInformation, MessageButtons::kOk);
  }
  return true;
}

DownloadWorker* DownloadController::QueueDownload(const std::string& url, const std::string& fullName, bool resume) {
  auto task = std::make_unique<DownloadTask>();
  task->url = url;
  task->fullName = fullName;
  task->partialPath = PartialPathOf(fullName);
  task->resume = resume;
  LiveWorker live;
  live.partialPath = task->partialPath;
  // Two writers of one partial file would spoil it; a stopped or deleted worker
  // may still be ending.
  const bool writerEnding = std::any_of(workers_.begin(), workers_.end(),
                                        [&](const LiveWorker& other) { return other.partialPath == live.partialPath; });
  try {
    live.worker = std::make_unique<DownloadWorker>(NextWorkerId(), std::move(task), context_);
    if (!writerEnding) {
      live.worker->Start();
      live.started = true;
    }
  } catch (const std::exception&) {
    prompter_.Show(kCannotStartText, MessageIcon::kNone, MessageButtons::kOk);
    return nullptr;
  }
  workers_.push_back(std::move(live));
  return workers_.back().worker.get();
}

void DownloadController::OnDeleteDownload(const std::vector<size_t>& selectedDownloads) {
  ReapRetired();
  const std::vector<uint64_t> keys = KeysOf(selectedDownloads);
  if (keys.empty()) return;
  if (prompter_.Show(kDeleteSelectedQuestion, MessageIcon::kQuestion, MessageButtons::kYesNo) != MessageResult::kYes) {
    return;
  }
  for (uint64_t key : keys) DeleteItem(key);
  downloads_.Renumber();
}

void DownloadController::OnDeleteAll() {
  ReapRetired();
  if (downloads_.empty()) return;
  if (prompter_.Show(kDeleteAllQuestion, MessageIcon::kQuestion, MessageButtons::kYesNo) != MessageResult::kYes) {
    return;
  }
  while (!downloads_.empty()) DeleteItem(downloads_.Key(0));
  downloads_.Renumber();
}

void DownloadController::DeleteItem(uint64_t key) {
  DownloadItem* item = ItemOfKey(key);
  if (!item) return;
  if (item->workerId == 0) {
    RemoveFileQuietly(PartialPathOf(item->fullName));
  } else {
    // The worker deletes nothing itself: its end report has the partial file deleted.
    auto it = FindWorker(item->workerId);
    if (it != workers_.end()) {
      if (it->worker->lastWaitResult() == kHoldsSlot) {
        it->worker->RequestDelete();
      } else {
        it->worker->RequestDeleteWaiting();
      }
    }
  }
  store_.WriteDownloadRecord(item->fullName, "", "", storage::kRemoveDownloadRecord);
  results_.Mark(item->url, false);
  RemoveItem(key);
}

void DownloadController::OnDownloadDoubleClick(const std::vector<size_t>& selectedDownloads) {
  const std::vector<uint64_t> keys = KeysOf(selectedDownloads);
  if (keys.empty()) return;
  if (ItemOfKey(keys.front())->state == DownloadState::kStopped) {
    OnResumeDownload(selectedDownloads);
  } else {
    OnStopDownload(selectedDownloads);
  }
}

void DownloadController::OnResumeDownload(const std::vector<size_t>& selectedDownloads) {
  ReapRetired();
  for (uint64_t key : KeysOf(selectedDownloads)) ResumeItem(*ItemOfKey(key));
}

void DownloadController::OnResumeAll() {
  ReapRetired();
  for (size_t row = 0; row < downloads_.rowCount(); ++row) ResumeItem(*ItemAt(row));
}

bool DownloadController::ResumeItem(DownloadItem& item) {
  if (item.state != DownloadState::kStopped) return false;
  DownloadWorker* worker = QueueDownload(item.url, item.fullName, true);
  if (!worker) return false;
  item.state = DownloadState::kQueued;
  item.workerId = worker->id();
  item.status = kWaitingText;
  ShowItem(item);
  return true;
}

void DownloadController::OnStopDownload(const std::vector<size_t>& selectedDownloads) {
  ReapRetired();
  for (uint64_t key : KeysOf(selectedDownloads)) StopItem(*ItemOfKey(key));
}

void DownloadController::OnStopAll() {
  ReapRetired();
  for (size_t row = 0; row < downloads_.rowCount(); ++row) StopItem(*ItemAt(row));
}

void DownloadController::StopItem(DownloadItem& item) {
  if (item.state == DownloadState::kStopped) return;
  auto it = FindWorker(item.workerId);
  if (it != workers_.end()) {
    if (it->worker->lastWaitResult() != kHoldsSlot) {
      it->worker->RequestStopWaiting();
    } else {
      it->worker->RequestStop();
    }
  }
  SetStopped(item);
}

void DownloadController::SetStopped(DownloadItem& item, std::string status) {
  item.state = DownloadState::kStopped;
  item.workerId = 0;
  item.speed = kStoppedSpeedText;
  item.timeLeft = kStoppedTimeLeftText;
  item.status = std::move(status);
  ShowItem(item);
}

void DownloadController::ApplyMaxDownloadThreads(unsigned count) {
  slots_.Resize(storage::ClampSetting(count, storage::kDownloadThreadsMin, storage::kDownloadThreadsMax));
}

const DownloadItem* DownloadController::ItemAtRow(size_t row) const {
  if (row >= downloads_.rowCount()) return nullptr;
  const uint64_t key = downloads_.Key(row);
  for (const DownloadItem& item : items_) {
    if (item.key == key) return &item;
  }
  return nullptr;
}

DownloadController::Counts DownloadController::CountByState() const {
  Counts counts;
  counts.total = items_.size();
  for (const DownloadItem& item : items_) {
    if (item.state == DownloadState::kStopped) {
      ++counts.stopped;
    } else if (item.state == DownloadState::kQueued) {
      ++counts.waiting;
    } else {
      ++counts.running;
    }
  }
  return counts;
}

DownloadItem* DownloadController::ItemOfKey(uint64_t key) {
  for (DownloadItem& item : items_) {
    if (item.key == key) return &item;
  }
  return nullptr;
}

DownloadItem* DownloadController::ItemOfWorker(uint32_t workerId) {
  if (workerId == 0) return nullptr;
  for (DownloadItem& item : items_) {
    if (item.workerId == workerId) return &item;
  }
  return nullptr;
}

bool DownloadController::HasUrl(std::string_view url) const {
  // The URL column shows each item's URL as it stands, so its index answers for them.
  return downloads_.ContainsInColumn(core::kDownloadUrl, url);
}

bool DownloadController::HasFullName(std::string_view fullName) const {
  return std::any_of(items_.begin(), items_.end(), [&](const DownloadItem& item) { return item.fullName == fullName; });
}

std::vector<uint64_t> DownloadController::KeysOf(const std::vector<size_t>& rows) const {
  std::vector<uint64_t> keys;
  for (size_t row : ValidRows(rows, downloads_.rowCount())) keys.push_back(downloads_.Key(row));
  return keys;
}

DownloadItem& DownloadController::AddItem(DownloadItem item) {
  item.key = nextKey_++;
  downloads_.AppendRow(RowCells(item, downloads_.rowCount()), StateImage(item.state), item.key);
  items_.push_back(std::move(item));
  return items_.back();
}

void DownloadController::ShowItem(const DownloadItem& item) {
  const size_t row = downloads_.FindRowByKey(item.key);
  if (row == core::ListTable::npos) return;
  const std::vector<std::string> cells = RowCells(item, 0);
  // The row number is the list's own; the other cells follow the item.
  for (size_t column = core::kDownloadId; column < cells.size(); ++column) {
    if (downloads_.Cell(row, column) != cells[column]) downloads_.SetCell(row, column, cells[column]);
  }
  if (downloads_.Image(row) != StateImage(item.state)) downloads_.SetImage(row, StateImage(item.state));
}

void DownloadController::RemoveItem(uint64_t key) {
  const size_t row = downloads_.FindRowByKey(key);
  if (row != core::ListTable::npos) downloads_.RemoveRow(row);
  std::erase_if(items_, [key](const DownloadItem& item) { return item.key == key; });
}

void DownloadController::OnWorkerReport(core::Msg message, uint32_t workerId, const std::string& text) {
  DownloadItem* item = ItemOfWorker(workerId);
  if (!item) return;
  switch (message) {
    case core::Msg::DownloadSpeed: item->speed = text; break;
    case core::Msg::DownloadPercent: item->percent = text; break;
    case core::Msg::DownloadBytes: item->received = text; break;
    case core::Msg::DownloadStatus:
      item->status = text;
      if (item->state == DownloadState::kQueued) item->state = DownloadState::kConnecting;
      break;
    case core::Msg::DownloadTimeLeft: item->timeLeft = text; break;
    case core::Msg::DownloadBodyBegins: item->state = DownloadState::kTransferring; break;
    case core::Msg::DownloadFailed:
      SetStopped(*item);
      if (reportFailure) reportFailure(item->fullName, text);
      return;
    default: return;
  }
  ShowItem(*item);
}

void DownloadController::OnWorkerEnded(core::Msg message, std::unique_ptr<DownloadTask> task) {
  EndWorker(message, std::move(task));
  if (workerEnded) workerEnded();
}

void DownloadController::EndWorker(core::Msg message, std::unique_ptr<DownloadTask> task) {
  ReapRetired();
  if (!task) return;
  if (message == core::Msg::DownloadCompleted) {
    FinishCompleted(std::move(task));
    return;
  }
  bool heldSlot = false;
  const std::string partialPath = RetireWorker(task->workerId, heldSlot);
  if (partialPath.empty()) return;
  if (heldSlot) slots_.Release();
  // An item listed meanwhile for the same target owns that partial file now.
  if (message == core::Msg::DownloadEndedDelete && !HasFullName(task->fullName)) {
    RemoveFileQuietly(partialPath);
  }
  // An item that still names this worker ended without a failure report (its URL
  // or partial file was unusable): it turns stopped, keeping the status that says why.
  if (DownloadItem* item = ItemOfWorker(task->workerId)) {
    const bool told = item->state != DownloadState::kQueued;
    SetStopped(*item, told ? item->status : std::string(kStoppedText));
    if (told && reportFailure) reportFailure(item->fullName, item->status);
  }
  StartNextWriter(partialPath);
}

void DownloadController::FinishCompleted(std::unique_ptr<DownloadTask> task) {
  const uint32_t workerId = task->workerId;
  bool heldSlot = false;
  const std::string partialPath = RetireWorker(workerId, heldSlot);
  if (partialPath.empty()) return;
  // A name taken meanwhile, on disk or by another item, gives "name(1).ext" and so on.
  const FinalFile final =
      MoveToFreeName(partialPath, task->fullName, [this](const std::string& path) { return HasFullName(path); });
  task.reset();
  if (heldSlot) slots_.Release();
  StartNextWriter(partialPath);

  DownloadItem* item = ItemOfWorker(workerId);
  if (!item) return;
  if (final.path.empty()) {
    // The partial file stays with its record, so a later resume finds it complete
    // and tries the name again; the log never lists a file that is not there.
    const std::string why = FillText(kRenameFailedText, text::Format("%d", final.error.value()));
    SetStopped(*item, why);
    if (reportFailure) reportFailure(item->fullName, why);
    return;
  }
  const std::string sizeText = item->sizeText;
  store_.WriteDownloadRecord(item->fullName, "", "", storage::kRemoveDownloadRecord);
  results_.Mark(item->url, false);
  RemoveItem(item->key);
  downloads_.Renumber();
  if (addLogItem) addLogItem(final.path, sizeText);
}

uint32_t DownloadController::NextWorkerId() {
  while (true) {
    const uint32_t id = nextWorkerId_++;
    if (nextWorkerId_ == 0) nextWorkerId_ = 1;
    // Unique among live workers and among the ids the items still show.
    if (id != 0 && FindWorker(id) == workers_.end() && ItemOfWorker(id) == nullptr) return id;
  }
}

std::vector<DownloadController::LiveWorker>::iterator DownloadController::FindWorker(uint32_t workerId) {
  return std::find_if(workers_.begin(), workers_.end(),
                      [workerId](const LiveWorker& live) { return live.worker->id() == workerId; });
}

std::string DownloadController::RetireWorker(uint32_t workerId, bool& heldSlot) {
  auto it = FindWorker(workerId);
  if (it == workers_.end()) return {};
  heldSlot = it->worker->lastWaitResult() == kHoldsSlot;
  std::string partialPath = std::move(it->partialPath);
  retired_.push_back(std::move(it->worker));
  workers_.erase(it);
  return partialPath;
}

void DownloadController::StartNextWriter(const std::string& partialPath) {
  auto it = std::find_if(workers_.begin(), workers_.end(),
                         [&](const LiveWorker& live) { return !live.started && live.partialPath == partialPath; });
  if (it == workers_.end()) return;
  try {
    it->worker->Start();
    it->started = true;
  } catch (const std::exception&) {
    // No message box here: the worker that just ended waits for this handler.
    DownloadItem* item = ItemOfWorker(it->worker->id());
    workers_.erase(it);
    if (item) SetStopped(*item, kCannotStartText);
  }
}

void DownloadController::ReapRetired() {
  // An exited worker's thread has returned, so destroying it joins at once.
  std::erase_if(retired_, [](const auto& worker) { return worker->exited(); });
}

}  // namespace vexon::download
