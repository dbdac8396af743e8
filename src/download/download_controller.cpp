#include "download/download_controller.h"

#include <algorithm>
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

std::string IdText(uint32_t workerId) { return text::Format("%u", workerId); }

uint32_t IdOfText(std::string_view idText) {
  const uint64_t value = text::LeadingDigits(idText);
  return value > UINT32_MAX ? 0 : static_cast<uint32_t>(value);
}

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

std::string PartialPathOf(const std::string& fullName) { return fullName + kPartialSuffix; }

}  // namespace

DownloadController::DownloadController(core::OwnerChannel& channel, core::Prompter& prompter,
                                       DownloadAsDialog& downloadAs, core::ListTable& results,
                                       core::ListTable& downloads, storage::AppSettings& settings,
                                       storage::SettingsStore& store, DownloadSlots& slots,
                                       const DownloadTexts& texts)
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

bool DownloadController::PrepareResult(const std::vector<size_t>& selectedResults,
                                       PreparedResult& prepared) const {
  const std::vector<size_t> rows = ValidRows(selectedResults, results_.rowCount());
  if (rows.empty()) return false;
  prepared.row = rows.front();
  prepared.url = net::ShownUrl(results_.Cell(prepared.row, core::kResultUrl));
  prepared.urlName = std::string(AfterLastSlash(prepared.url));
  prepared.size = results_.Cell(prepared.row, core::kResultSize);
  prepared.title = results_.Cell(prepared.row, core::kResultTitle);
  return true;
}

std::string DownloadController::FolderOfDownloads() const {
  return JoinFolder(settings_.DefaultMusicPath, "");
}

void DownloadController::OnStartDownload(const std::vector<size_t>& selectedResults) {
  ReapRetired();
  PreparedResult result;
  if (!PrepareResult(selectedResults, result)) return;
  auto [stem, extension] = SplitExtension(result.urlName);
  const std::string fileName =
      settings_.TitleDown ? SafeFileName(result.title, extension) : SafeFileName(stem, extension);
  if (ListContainsText(result.url, core::kDownloadUrl)) {
    prompter_.Show(kUrlListedText, MessageIcon::kStop, MessageButtons::kOk);
    return;
  }
  const std::string fullName = JoinFolder(settings_.DefaultMusicPath, fileName);
  const char* question = nullptr;
  if (FileExists(fullName)) {
    question = kFileOnDiskQuestion;
  } else if (ListContainsText(fullName, core::kDownloadFullName)) {
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
  if (ListContainsText(result.url, core::kDownloadUrl)) {
    prompter_.Show(kUrlListedAsText, MessageIcon::kNone, MessageButtons::kOk);
    return;
  }
  std::string stem;
  std::string extension;
  if (result.urlName.find('.') != std::string::npos) {
    std::tie(stem, extension) = SplitExtension(result.urlName);
  }
  DownloadAsForm form(stem, result.title, currentKeyword ? currentKeyword() : std::string(),
                      FolderOfDownloads(), extension);
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
    } else if (ListContainsText(fullName, core::kDownloadFullName)) {
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
  if (ListContainsText(url, core::kDownloadUrl)) {
    prompter_.Show(kUrlListedText, MessageIcon::kStop, MessageButtons::kOk);
    return false;
  }
  const std::string_view name = AfterLastSlash(fullName);
  const auto [stem, extension] = SplitExtension(name);
  const std::string target =
      std::string(std::string_view(fullName).substr(0, fullName.size() - name.size())) +
      SafeFileName(stem, extension);
  // Without a dialog to choose another name, the questions only refuse.
  const char* question = nullptr;
  if (FileExists(target)) {
    question = kFileOnDiskQuestion;
  } else if (ListContainsText(target, core::kDownloadFullName)) {
    question = kFullNameListedQuestion;
  }
  if (question) {
    prompter_.Show(question, MessageIcon::kExclamation, MessageButtons::kOkCancel);
    return false;
  }
  return QueueNewRow(url, target, sizeText, true, core::ListTable::npos);
}

bool DownloadController::QueueNewRow(const std::string& url, const std::string& fullName,
                                     const std::string& sizeText, bool resume, size_t resultsRow) {
  // A record must give a restarted program the very URL this download began with.
  if (!storage::SettingsStore::FitsDownloadRecord(url)) {
    prompter_.Show(kUrlTooLongText, MessageIcon::kStop, MessageButtons::kOk);
    return false;
  }
  DownloadWorker* worker = QueueDownload(url, fullName, PartialPathOf(fullName), resume);
  if (!worker) return false;
  downloads_.AppendRow({text::Format("%zu", downloads_.rowCount()), IdText(worker->id()),
                        std::string(AfterLastSlash(fullName)), "", "", sizeText, "", "", kWaitingText,
                        fullName, url},
                       kQueuedImage);
  if (resultsRow != core::ListTable::npos) MarkResultRow(resultsRow, true);
  downloads_.Resort();
  if (!store_.WriteDownloadRecord(fullName, url, sizeText, storage::kWriteDownloadRecord)) {
    prompter_.Show(kRecordNotKeptText, MessageIcon::kInformation, MessageButtons::kOk);
  }
  return true;
}

DownloadWorker* DownloadController::QueueDownload(const std::string& url, const std::string& fullName,
                                                  const std::string& partialPath, bool resume) {
  auto task = std::make_unique<DownloadTask>();
  task->url = url;
  task->fullName = fullName;
  task->partialPath = partialPath;
  task->resume = resume;
  LiveWorker live;
  live.partialPath = partialPath;
  // Two writers of one partial file would spoil it; a stopped or deleted worker
  // may still be ending.
  const bool writerEnding = std::any_of(workers_.begin(), workers_.end(),
                                        [&](const LiveWorker& other) { return other.partialPath == partialPath; });
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
  const std::vector<size_t> rows = ValidRows(selectedDownloads, downloads_.rowCount());
  if (rows.empty()) return;
  if (prompter_.Show(kDeleteSelectedQuestion, MessageIcon::kQuestion, MessageButtons::kYesNo) !=
      MessageResult::kYes) {
    return;
  }
  // Each removal moves the rows below it up by one.
  for (size_t i = 0; i < rows.size(); ++i) DeleteRow(rows[i] - i);
  downloads_.Renumber();
}

void DownloadController::OnDeleteAll() {
  ReapRetired();
  if (downloads_.empty()) return;
  if (prompter_.Show(kDeleteAllQuestion, MessageIcon::kQuestion, MessageButtons::kYesNo) !=
      MessageResult::kYes) {
    return;
  }
  while (!downloads_.empty()) DeleteRow(0);
  downloads_.Renumber();
}

void DownloadController::DeleteRow(size_t row) {
  const std::string fullName = downloads_.Cell(row, core::kDownloadFullName);
  const std::string url = downloads_.Cell(row, core::kDownloadUrl);
  const std::string& idText = downloads_.Cell(row, core::kDownloadId);
  if (idText == kNoWorkerId) {
    RemoveFileQuietly(PartialPathOf(fullName));
  } else {
    // The worker deletes nothing itself: its end report has the partial file deleted.
    auto it = FindWorker(IdOfText(idText));
    if (it != workers_.end()) {
      if (it->worker->lastWaitResult() == kHoldsSlot) {
        it->worker->RequestDelete();
      } else {
        it->worker->RequestDeleteWaiting();
      }
    }
  }
  store_.WriteDownloadRecord(fullName, "", "", storage::kRemoveDownloadRecord);
  UnmarkResultByUrl(url);
  downloads_.RemoveRow(row);
}

void DownloadController::OnDownloadDoubleClick(const std::vector<size_t>& selectedDownloads) {
  const std::vector<size_t> rows = ValidRows(selectedDownloads, downloads_.rowCount());
  if (rows.empty()) return;
  if (downloads_.Cell(rows.front(), core::kDownloadId) == kNoWorkerId) {
    OnResumeDownload(selectedDownloads);
  } else {
    OnStopDownload(selectedDownloads);
  }
}

void DownloadController::OnResumeDownload(const std::vector<size_t>& selectedDownloads) {
  ReapRetired();
  for (size_t row : ValidRows(selectedDownloads, downloads_.rowCount())) ResumeRow(row);
}

void DownloadController::OnResumeAll() {
  ReapRetired();
  for (size_t row = 0; row < downloads_.rowCount(); ++row) ResumeRow(row);
}

bool DownloadController::ResumeRow(size_t row) {
  if (downloads_.Cell(row, core::kDownloadId) != kNoWorkerId) return false;
  const std::string url = downloads_.Cell(row, core::kDownloadUrl);
  const std::string fullName = downloads_.Cell(row, core::kDownloadFullName);
  const std::string partialPath = PartialPathOf(fullName);
  DownloadWorker* worker = QueueDownload(url, fullName, partialPath, true);
  if (!worker) return false;
  downloads_.SetCell(row, core::kDownloadId, IdText(worker->id()));
  downloads_.SetCell(row, core::kDownloadState, kWaitingText);
  downloads_.SetImage(row, kQueuedImage);
  return true;
}

void DownloadController::OnStopDownload(const std::vector<size_t>& selectedDownloads) {
  ReapRetired();
  for (size_t row : ValidRows(selectedDownloads, downloads_.rowCount())) StopRow(row);
}

void DownloadController::OnStopAll() {
  ReapRetired();
  for (size_t row = 0; row < downloads_.rowCount(); ++row) StopRow(row);
}

void DownloadController::StopRow(size_t row) {
  const std::string& idText = downloads_.Cell(row, core::kDownloadId);
  if (idText == kNoWorkerId) return;
  auto it = FindWorker(IdOfText(idText));
  if (it != workers_.end()) {
    if (it->worker->lastWaitResult() != kHoldsSlot) {
      it->worker->RequestStopWaiting();
    } else {
      it->worker->RequestStop();
    }
  }
  SetRowStopped(row);
}

void DownloadController::SetRowStopped(size_t row) {
  downloads_.SetCell(row, core::kDownloadId, kNoWorkerId);
  downloads_.SetCell(row, core::kDownloadSpeed, kStoppedSpeedText);
  downloads_.SetCell(row, core::kDownloadTimeLeft, kStoppedTimeLeftText);
  downloads_.SetCell(row, core::kDownloadState, kStoppedText);
  downloads_.SetImage(row, kStoppedImage);
}

void DownloadController::ApplyMaxDownloadThreads(unsigned count) {
  slots_.Resize(storage::ClampSetting(count, storage::kDownloadThreadsMin, storage::kDownloadThreadsMax));
}

size_t DownloadController::FindDownloadRow(uint32_t workerId) const {
  return downloads_.FindRow(core::kDownloadId, IdText(workerId));
}

bool DownloadController::ListContainsText(std::string_view text, size_t column) const {
  return downloads_.ContainsInColumn(column, text);
}

void DownloadController::MarkResultRow(size_t resultsRow, bool flag) { results_.SetRowMarks(resultsRow, flag); }

void DownloadController::UnmarkResultByUrl(std::string_view url) {
  const size_t row = results_.FindRow(core::kResultUrl, url);
  if (row != core::ListTable::npos) results_.SetRowMarks(row, false);
}

void DownloadController::OnWorkerReport(core::Msg message, uint32_t workerId, const std::string& text) {
  const size_t row = FindDownloadRow(workerId);
  if (row == core::ListTable::npos) return;
  switch (message) {
    case core::Msg::DownloadSpeed: downloads_.SetCell(row, core::kDownloadSpeed, text); break;
    case core::Msg::DownloadPercent: downloads_.SetCell(row, core::kDownloadPercent, text); break;
    case core::Msg::DownloadBytes: downloads_.SetCell(row, core::kDownloadReceived, text); break;
    case core::Msg::DownloadStatus: downloads_.SetCell(row, core::kDownloadState, text); break;
    case core::Msg::DownloadTimeLeft: downloads_.SetCell(row, core::kDownloadTimeLeft, text); break;
    case core::Msg::DownloadBodyBegins: downloads_.SetImage(row, kTransferringImage); break;
    case core::Msg::DownloadFailed:
      SetRowStopped(row);
      if (reportFailure) reportFailure(downloads_.Cell(row, core::kDownloadFullName), text);
      break;
    default: break;
  }
}

void DownloadController::OnWorkerEnded(core::Msg message, std::unique_ptr<DownloadTask> task) {
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
  // A row listed meanwhile for the same target owns that partial file now.
  if (message == core::Msg::DownloadEndedDelete && !ListContainsText(task->fullName, core::kDownloadFullName)) {
    RemoveFileQuietly(partialPath);
  }
  // A row that still names this worker ended without a failure report (its URL or
  // partial file was unusable): it turns stopped, keeping the status that says why.
  const size_t row = FindDownloadRow(task->workerId);
  if (row != core::ListTable::npos) {
    const std::string status = downloads_.Cell(row, core::kDownloadState);
    SetRowStopped(row);
    if (status != kWaitingText) {
      downloads_.SetCell(row, core::kDownloadState, status);
      if (reportFailure) reportFailure(downloads_.Cell(row, core::kDownloadFullName), status);
    }
  }
  StartNextWriter(partialPath);
}

void DownloadController::FinishCompleted(std::unique_ptr<DownloadTask> task) {
  const uint32_t workerId = task->workerId;
  bool heldSlot = false;
  const std::string partialPath = RetireWorker(workerId, heldSlot);
  if (partialPath.empty()) return;
  // A name taken meanwhile, on disk or by another row, gives "name(1).ext" and so on.
  const FinalFile final = MoveToFreeName(partialPath, task->fullName, [this](const std::string& path) {
    return ListContainsText(path, core::kDownloadFullName);
  });
  task.reset();
  if (heldSlot) slots_.Release();
  StartNextWriter(partialPath);

  const size_t row = FindDownloadRow(workerId);
  if (row == core::ListTable::npos) return;
  if (final.path.empty()) {
    // The partial file stays with its record, so a later resume finds it complete
    // and tries the name again; the log never lists a file that is not there.
    const std::string why = FillText(kRenameFailedText, text::Format("%d", final.error.value()));
    SetRowStopped(row);
    downloads_.SetCell(row, core::kDownloadState, why);
    if (reportFailure) reportFailure(downloads_.Cell(row, core::kDownloadFullName), why);
    return;
  }
  const std::string fullName = downloads_.Cell(row, core::kDownloadFullName);
  const std::string sizeText = downloads_.Cell(row, core::kDownloadSize);
  const std::string url = downloads_.Cell(row, core::kDownloadUrl);
  store_.WriteDownloadRecord(fullName, "", "", storage::kRemoveDownloadRecord);
  UnmarkResultByUrl(url);
  downloads_.RemoveRow(row);
  downloads_.Renumber();
  if (addLogItem) addLogItem(final.path, sizeText);
}

uint32_t DownloadController::NextWorkerId() {
  while (true) {
    const uint32_t id = nextWorkerId_++;
    if (nextWorkerId_ == 0) nextWorkerId_ = 1;
    // Unique among live workers and among the ids the rows still show.
    if (id != 0 && FindWorker(id) == workers_.end() && FindDownloadRow(id) == core::ListTable::npos) {
      return id;
    }
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
  auto it = std::find_if(workers_.begin(), workers_.end(), [&](const LiveWorker& live) {
    return !live.started && live.partialPath == partialPath;
  });
  if (it == workers_.end()) return;
  try {
    it->worker->Start();
    it->started = true;
  } catch (const std::exception&) {
    // No message box here: the worker that just ended waits for this handler.
    const size_t row = FindDownloadRow(it->worker->id());
    workers_.erase(it);
    if (row != core::ListTable::npos) {
      SetRowStopped(row);
      downloads_.SetCell(row, core::kDownloadState, kCannotStartText);
    }
  }
}

void DownloadController::ReapRetired() {
  // An exited worker's thread has returned, so destroying it joins at once.
  std::erase_if(retired_, [](const auto& worker) { return worker->exited(); });
}

}  // namespace vexon::download
