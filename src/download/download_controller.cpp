#include "download/download_controller.h"

#include <algorithm>
#include <exception>
#include <functional>
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

// The name a result is downloaded under without asking.
std::string DefaultFileName(const storage::AppSettings& settings, const std::string& urlName,
                            const std::string& title) {
  auto [stem, extension] = SplitExtension(urlName);
  return settings.TitleDown ? SafeFileName(title, extension) : SafeFileName(stem, extension);
}

}  // namespace

DownloadController::DownloadController(core::OwnerChannel& channel, core::Prompter& prompter,
                                       DownloadAsDialog& downloadAs, core::ResultList& results,
                                       core::ListTable& downloads, storage::AppSettings& settings,
                                       storage::SettingsStore& store, unsigned maxTransfers, const DownloadTexts& texts,
                                       std::function<std::string()> currentKeyword)
    : prompter_(prompter),
      downloadAs_(downloadAs),
      results_(results),
      downloads_(downloads),
      texts_(texts),
      settings_(settings),
      store_(store),
      currentKeyword_(std::move(currentKeyword)),
      context_{channel, *this, settings.MaxDownloadSpeed, WorkerContext::DefaultSession(), store.writeGate()},
      items_(downloads, {[&texts](const DownloadItem& item) { return RowCells(item, texts); },
                         [](const DownloadItem& item) { return StateImage(item.state); },
                         [&texts](const DownloadItem& item) { return StatusNote(item.status, texts); }}),
      pool_(maxTransfers, context_) {
  downloads_.IndexColumn(core::kDownloadUrl);
  downloads_.NumberRowsInColumn0();
}

// The pool, the last member, stops and joins its threads first.
DownloadController::~DownloadController() = default;

bool DownloadController::PrepareResult(size_t row, PreparedResult& prepared) const {
  const core::ResultRow* result = results_.At(row);
  if (result == nullptr) return false;
  prepared.row = row;
  prepared.key = results_.table().Key(row);
  prepared.resultUrl = result->url;
  prepared.url = net::ShownUrl(result->url);
  prepared.urlName = net::UrlFileName(prepared.url);
  prepared.size = result->size;
  prepared.title = result->title;
  prepared.digest = result->DigestText();
  return true;
}

void DownloadController::OnStartDownload(const std::vector<size_t>& selectedResults) {
  const std::vector<size_t> rows = core::ValidRows(selectedResults, results_.size());
  if (rows.size() == 1) {
    StartOne(rows.front());
    return;
  }
  if (rows.empty()) return;
  // Taken now: the results may change before the last slice is queued.
  const bool idle = startQueue_.empty();
  for (size_t row : rows) {
    PreparedResult result;
    if (PrepareResult(row, result)) {
      startQueue_.push_back(std::move(result));
    } else {
      ++startLeftOut_;
    }
  }
  if (idle) StartNextSlice();
}

void DownloadController::OnAddAddresses(const std::vector<std::string>& urls) {
  if (urls.empty()) return;
  const bool idle = startQueue_.empty();
  for (const std::string& url : urls) {
    PreparedResult address;
    address.row = core::ListTable::npos;
    address.url = net::ShownUrl(url);
    address.urlName = net::UrlFileName(address.url);
    // Named from the URL, whether names come from titles or not.
    address.title = SplitExtension(address.urlName).first;
    startQueue_.push_back(std::move(address));
  }
  if (idle) StartNextSlice();
}

void DownloadController::StartNextSlice() {
  for (size_t n = 0; n < kStartSlice && !startQueue_.empty(); ++n) {
    startLeftOut_ += StartQuietly(startQueue_.front()) ? 0 : 1;
    startQueue_.pop_front();
  }
  downloads_.ResortAfterAppend();
  if (!startQueue_.empty()) {
    // The window draws and answers between slices.
    std::weak_ptr<int> alive = lifetime_;
    context_.channel.Post(core::Msg::OwnerWorkContinues, [this, alive] {
      if (!alive.expired()) StartNextSlice();
    });
    return;
  }
  const size_t leftOut = std::exchange(startLeftOut_, 0);
  if (leftOut > 0) {
    prompter_.Show(FillText(texts_.rowsLeftOut, text::Format("%zu", leftOut)), MessageIcon::kInformation,
                   MessageButtons::kOk);
  }
}

bool DownloadController::StartQuietly(const PreparedResult& result) {
  if (HasUrl(result.url)) return false;
  const std::string fullName =
      JoinFolder(settings_.DefaultMusicPath, DefaultFileName(settings_, result.urlName, result.title));
  if (FileExists(fullName) || HasFullName(fullName)) return false;
  if (!QueueNewRow(result.url, fullName, result.size, false, core::ListTable::npos, result.digest)) return false;
  if (result.key == 0) return true;
  // A new search may have replaced the results meanwhile: only the same result is marked.
  const size_t row = results_.table().FindRowByKey(result.key);
  const core::ResultRow* now = results_.At(row);
  if (now != nullptr && now->url == result.resultUrl) results_.table().SetRowMarks(row, true);
  return true;
}

void DownloadController::StartOne(size_t row) {
  PreparedResult result;
  if (!PrepareResult(row, result)) return;
  const std::string fileName = DefaultFileName(settings_, result.urlName, result.title);
  if (HasUrl(result.url)) {
    prompter_.Show(texts_.urlListed, MessageIcon::kStop, MessageButtons::kOk);
    return;
  }
  const std::string fullName = JoinFolder(settings_.DefaultMusicPath, fileName);
  const std::string* question = nullptr;
  if (FileExists(fullName)) {
    question = &texts_.fileOnDisk;
  } else if (HasFullName(fullName)) {
    question = &texts_.fullNameListed;
  }
  if (question) {
    if (prompter_.Show(*question, MessageIcon::kExclamation, MessageButtons::kOkCancel) == MessageResult::kOk) {
      OnDownloadAs({result.row});
    }
    return;
  }
  if (QueueNewRow(result.url, fullName, result.size, false, result.row, result.digest)) downloads_.ResortAfterAppend();
}

void DownloadController::OnDownloadAs(const std::vector<size_t>& selectedResults) {
  const std::vector<size_t> rows = core::ValidRows(selectedResults, results_.size());
  PreparedResult result;
  if (rows.empty() || !PrepareResult(rows.front(), result)) return;
  if (HasUrl(result.url)) {
    prompter_.Show(texts_.urlListedAs, MessageIcon::kNone, MessageButtons::kOk);
    return;
  }
  std::string stem;
  std::string extension;
  if (result.urlName.find('.') != std::string::npos) {
    std::tie(stem, extension) = SplitExtension(result.urlName);
  }
  DownloadAsForm form(stem, result.title, currentKeyword_ ? currentKeyword_() : std::string(),
                      JoinFolder(settings_.DefaultMusicPath, ""), extension);
  form.Open();
  if (!downloadAs_.Show(form)) return;
  while (true) {
    const std::string& fullName = form.fullName();
    // A full name already in the list is asked about too: two downloads must never
    // write the same partial file.
    MessageIcon icon = MessageIcon::kNone;
    const std::string* question = nullptr;
    if (FileExists(fullName)) {
      question = &texts_.fileOnDiskAs;
    } else if (HasFullName(fullName)) {
      question = &texts_.fullNameListed;
      icon = MessageIcon::kExclamation;
    }
    if (!question) break;
    if (prompter_.Show(*question, icon, MessageButtons::kOkCancel) != MessageResult::kOk) return;
    form.Open();
    if (!downloadAs_.Show(form)) return;
  }
  if (QueueNewRow(result.url, form.fullName(), result.size, false, result.row, result.digest))
    downloads_.ResortAfterAppend();
}

bool DownloadController::AddDownload(const std::string& givenUrl, const std::string& fullName,
                                     const std::string& sizeText, const std::string& digest) {
  // Kept in the form the start command keeps, so both find each other's duplicates.
  const std::string url = net::ShownUrl(givenUrl);
  if (HasUrl(url)) {
    prompter_.Show(texts_.urlListed, MessageIcon::kStop, MessageButtons::kOk);
    return false;
  }
  const std::string_view name = AfterLastSlash(fullName);
  const auto [stem, extension] = SplitExtension(name);
  const std::string target =
      std::string(std::string_view(fullName).substr(0, fullName.size() - name.size())) + SafeFileName(stem, extension);
  // Without a dialog to choose another name, the questions only refuse.
  const std::string* question = nullptr;
  if (FileExists(target)) {
    question = &texts_.fileOnDisk;
  } else if (HasFullName(target)) {
    question = &texts_.fullNameListed;
  }
  if (question) {
    prompter_.Show(*question, MessageIcon::kExclamation, MessageButtons::kOkCancel);
    return false;
  }
  if (!QueueNewRow(url, target, sizeText, true, core::ListTable::npos, digest)) return false;
  downloads_.ResortAfterAppend();
  return true;
}

void DownloadController::LoadRecords(const std::vector<storage::DownloadRecord>& records) {
  for (const storage::DownloadRecord& record : records) {
    // A completion whose log entry had not reached the settings file when the
    // program ended: the final file of the record's size stands where the partial
    // file was. It is logged, not fetched again.
    const uint64_t size = text::LeadingDigits(record.sizeText);
    if (size > 0 && !FileExists(PartialPathOf(record.fullName)) && FileExists(record.fullName) &&
        FileSizeOrZero(record.fullName) == size) {
      const storage::SettingsStore::WriteHold together = store_.HoldWrites();
      store_.WriteDownloadRecord(record.fullName, "", "", storage::kRemoveDownloadRecord);
      listeners_.Notify([&](DownloadListener& l) { l.DownloadCompleted(record.fullName, record.sizeText); });
      continue;
    }
    DownloadItem item;
    item.target = MakeTarget(record.url, record.fullName, record.digest);
    item.sizeText = record.sizeText;
    item.received = record.partialBytes;
    // A size that is no positive whole number, or nothing yet, gives no percentage.
    if (size > 0 && record.partialBytes > 0) item.total = size;
    item.bytesPerMs.MarkStopped();
    item.status = DownloadStatus::Stopped();
    AddItem(std::move(item));
  }
  downloads_.Resort();
}

bool DownloadController::QueueNewRow(const std::string& url, const std::string& fullName, const std::string& sizeText,
                                     bool resume, size_t resultsRow, const std::string& digest) {
  // A record must give a restarted program the very URL this download began with.
  if (!storage::SettingsStore::FitsDownloadRecord(url)) {
    prompter_.Show(texts_.urlTooLong, MessageIcon::kStop, MessageButtons::kOk);
    return false;
  }
  // The record goes first: the transfer waits for it to be on disk before it
  // touches the partial file, so a crash never leaves a partial file nobody lists.
  const bool recorded = store_.WriteDownloadRecord(fullName, url, sizeText, storage::kWriteDownloadRecord, digest);
  const uint64_t ticket = recorded ? store_.lastWriteTicket() : 0;
  SharedTarget target = MakeTarget(url, fullName, digest);
  const uint32_t workerId = QueueDownload(target, resume, ticket);
  if (workerId == 0) {
    if (recorded) store_.WriteDownloadRecord(fullName, "", "", storage::kRemoveDownloadRecord);
    return false;
  }
  DownloadItem item;
  item.state = DownloadState::kQueued;
  item.workerId = workerId;
  item.recordTicket = ticket;
  item.target = std::move(target);
  item.sizeText = sizeText;
  AddItem(std::move(item));
  if (resultsRow != core::ListTable::npos) results_.table().SetRowMarks(resultsRow, true);
  if (!recorded) prompter_.Show(texts_.recordNotKept, MessageIcon::kInformation, MessageButtons::kOk);
  return true;
}

uint32_t DownloadController::QueueDownload(SharedTarget target, bool resume, uint64_t recordTicket) {
  auto task = std::make_unique<DownloadTask>();
  task->workerId = NextWorkerId();
  task->target = std::move(target);
  task->resume = resume;
  task->recordTicket = recordTicket;
  const uint32_t id = task->workerId;
  // Two writers of one partial file would spoil it; a stopped or deleted transfer
  // may still be ending.
  LiveJob job;
  job.writerKey = WriterKey(task->PartialPath());
  const auto line = writers_.try_emplace(job.writerKey).first;
  if (!line->second.empty()) {
    job.heldBack = std::move(task);
  } else if (!pool_.Submit(std::move(task))) {
    writers_.erase(line);
    prompter_.Show(texts_.cannotStart, MessageIcon::kNone, MessageButtons::kOk);
    return 0;
  }
  line->second.push_back(id);
  jobs_.emplace(id, std::move(job));
  return id;
}

void DownloadController::OnDeleteDownload(const std::vector<size_t>& selectedDownloads) {
  const std::vector<uint64_t> keys = items_.KeysOf(selectedDownloads);
  if (keys.empty()) return;
  if (prompter_.Show(texts_.deleteSelected, MessageIcon::kQuestion, MessageButtons::kYesNo) != MessageResult::kYes) {
    return;
  }
  for (uint64_t key : keys) DeleteItem(key);
}

void DownloadController::OnDeleteAll() {
  if (downloads_.empty()) return;
  if (prompter_.Show(texts_.deleteAll, MessageIcon::kQuestion, MessageButtons::kYesNo) != MessageResult::kYes) {
    return;
  }
  // From the end, so no removal moves the rows behind it.
  while (!downloads_.empty()) DeleteItem(downloads_.Key(downloads_.rowCount() - 1));
}

void DownloadController::DeleteItem(uint64_t key) {
  DownloadItem* item = ItemOfKey(key);
  if (!item) return;
  const uint32_t workerId = item->workerId;
  const std::string partialPath = PartialPathOf(item->fullName());
  store_.WriteDownloadRecord(item->fullName(), "", "", storage::kRemoveDownloadRecord);
  results_.Mark(item->url(), false);
  RemoveItem(key);
  // A running transfer deletes nothing itself: its end report has the partial file
  // deleted. One that never started is gone now.
  if (workerId == 0) {
    RemoveFileQuietly(partialPath);
  } else if (CancelJob(workerId, true)) {
    if (!writers_.contains(WriterKey(partialPath))) RemoveFileQuietly(partialPath);
    StartNextWriter(partialPath);
  }
}

void DownloadController::OnDownloadDoubleClick(const std::vector<size_t>& selectedDownloads) {
  const std::vector<uint64_t> keys = items_.KeysOf(selectedDownloads);
  if (keys.empty()) return;
  if (ItemOfKey(keys.front())->state == DownloadState::kStopped) {
    OnResumeDownload(selectedDownloads);
  } else {
    OnStopDownload(selectedDownloads);
  }
}

void DownloadController::OnResumeDownload(const std::vector<size_t>& selectedDownloads) {
  for (uint64_t key : items_.KeysOf(selectedDownloads)) ResumeItem(*ItemOfKey(key));
}

void DownloadController::OnResumeAll() {
  for (size_t row = 0; row < downloads_.rowCount(); ++row) ResumeItem(*items_.AtRow(row));
}

bool DownloadController::ResumeItem(DownloadItem& item) {
  if (item.state != DownloadState::kStopped) return false;
  // Bytes that did not hash to the server's digest are fetched again from the start.
  const bool spoiled =
      item.status.kind == DownloadStatus::Kind::kFailed && item.status.fault.kind == TransferFailure::kDigest;
  const uint32_t workerId = QueueDownload(item.target, !spoiled, item.recordTicket);
  if (workerId == 0) return false;
  SetState(item, DownloadState::kQueued);
  BindWorker(item, workerId);
  item.status = DownloadStatus::Waiting();
  ShowItem(item);
  return true;
}

void DownloadController::OnStopDownload(const std::vector<size_t>& selectedDownloads) {
  for (uint64_t key : items_.KeysOf(selectedDownloads)) StopItem(*ItemOfKey(key));
}

void DownloadController::OnStopAll() {
  for (size_t row = 0; row < downloads_.rowCount(); ++row) StopItem(*items_.AtRow(row));
}

void DownloadController::StopItem(DownloadItem& item) {
  if (item.state == DownloadState::kStopped) return;
  const uint32_t workerId = item.workerId;
  SetStopped(item);
  if (CancelJob(workerId, false)) StartNextWriter(PartialPathOf(item.fullName()));
}

void DownloadController::SetStopped(DownloadItem& item, DownloadStatus status) {
  SetState(item, DownloadState::kStopped);
  BindWorker(item, 0);
  item.bytesPerMs.MarkStopped();
  item.secondsLeft.MarkStopped();
  item.status = std::move(status);
  ShowItem(item);
}

void DownloadController::ApplyMaxDownloadThreads(unsigned count) {
  pool_.Resize(storage::ClampSetting(count, storage::kDownloadThreadsMin, storage::kDownloadThreadsMax));
}

const DownloadItem* DownloadController::ItemAtRow(size_t row) const {
  return items_.AtRow(row);
}

DownloadController::Counts DownloadController::CountByState() const {
  return counts_;
}

DownloadController::Progress DownloadController::RunningProgress() const {
  Progress progress;
  if (counts_.running == 0) return progress;
  for (const auto& [key, item] : items_.items()) {
    if (item.state == DownloadState::kStopped || item.state == DownloadState::kQueued) continue;
    ++progress.running;
    if (item.total && item.received && *item.total > 0) {
      progress.total += *item.total;
      progress.received += std::min(*item.received, *item.total);
    }
  }
  return progress;
}

void DownloadController::SetState(DownloadItem& item, DownloadState state) {
  const auto counter = [this](DownloadState s) -> size_t& {
    switch (s) {
      case DownloadState::kStopped: return counts_.stopped;
      case DownloadState::kQueued: return counts_.waiting;
      default: return counts_.running;
    }
  };
  --counter(item.state);
  item.state = state;
  ++counter(state);
}

void DownloadController::BindWorker(DownloadItem& item, uint32_t workerId) {
  if (item.workerId != 0) keyOfWorker_.erase(item.workerId);
  item.workerId = workerId;
  if (workerId != 0) keyOfWorker_[workerId] = item.key;
}

DownloadItem* DownloadController::ItemOfWorker(uint32_t workerId) {
  if (workerId == 0) return nullptr;
  auto it = keyOfWorker_.find(workerId);
  return it == keyOfWorker_.end() ? nullptr : ItemOfKey(it->second);
}

bool DownloadController::HasUrl(std::string_view url) const {
  // The URL column shows each item's URL as it stands, so its index answers for them.
  return downloads_.ContainsInColumn(core::kDownloadUrl, url);
}

bool DownloadController::HasFullName(std::string_view fullName) const {
  const auto [first, last] = keysByName_.equal_range(std::hash<std::string_view>{}(fullName));
  return std::any_of(first, last, [&](const auto& entry) { return items_.Find(entry.second)->fullName() == fullName; });
}

DownloadItem& DownloadController::AddItem(DownloadItem item) {
  ++counts_.total;
  const DownloadState state = item.state;
  const uint32_t workerId = item.workerId;
  const uint64_t key = items_.Add(std::move(item));
  DownloadItem& stored = *items_.Find(key);
  stored.key = key;
  keysByName_.emplace(std::hash<std::string_view>{}(stored.fullName()), key);
  // Counted as stopped and unbound first, so SetState and BindWorker count it in.
  stored.state = DownloadState::kStopped;
  stored.workerId = 0;
  ++counts_.stopped;
  SetState(stored, state);
  BindWorker(stored, workerId);
  return stored;
}

void DownloadController::RemoveItem(uint64_t key) {
  DownloadItem* item = ItemOfKey(key);
  if (!item) return;
  SetState(*item, DownloadState::kStopped);
  BindWorker(*item, 0);
  --counts_.stopped;
  --counts_.total;
  const auto [first, last] = keysByName_.equal_range(std::hash<std::string_view>{}(item->fullName()));
  for (auto it = first; it != last; ++it) {
    if (it->second == key) {
      keysByName_.erase(it);
      break;
    }
  }
  items_.Remove(key);
}

void DownloadController::OnWorkerReport(uint32_t workerId, const TransferReport& report) {
  DownloadItem* item = ItemOfWorker(workerId);
  if (!item) return;
  switch (report.kind) {
    case TransferReport::Kind::kStep:
      item->status = {DownloadStatus::Kind::kStep, report.step, report.detail, {}};
      if (report.step == TransferStep::kDownloading) {
        SetState(*item, DownloadState::kTransferring);
      } else if (item->state == DownloadState::kQueued) {
        SetState(*item, DownloadState::kConnecting);
      }
      break;
    case TransferReport::Kind::kProgress: {
      const TransferProgress& p = report.progress;
      // Bytes and percent show only where the answer gave a length.
      if (p.total) {
        item->received = p.received;
        item->total = p.total;
        // A download queued without a size (as vexon-cli queues them) learns it from
        // the answer, and so does its record: a completion whose log entry never
        // reached the settings file is then known for one at the next start.
        if (item->sizeText.empty()) {
          item->sizeText = text::Format("%llu", static_cast<unsigned long long>(*p.total));
          store_.WriteDownloadRecord(item->fullName(), item->url(), item->sizeText, storage::kWriteDownloadRecord,
                                     item->target->digest);
        }
      }
      if (p.bytesPerMs) item->bytesPerMs.Set(*p.bytesPerMs);
      if (p.secondsLeft) item->secondsLeft.Set(*p.secondsLeft);
      break;
    }
    case TransferReport::Kind::kFailed:
      SetStopped(*item, DownloadStatus::Failed(report.fault));
      TellFailure(item->fullName(), report.fault);
      return;
  }
  ShowItem(*item);
}

void DownloadController::OnWorkerEnded(core::Msg message, std::unique_ptr<DownloadTask> task) {
  EndWorker(message, std::move(task));
  listeners_.Notify([](DownloadListener& l) { l.TransferEnded(); });
}

void DownloadController::EndWorker(core::Msg message, std::unique_ptr<DownloadTask> task) {
  if (!task || !jobs_.contains(task->workerId)) return;
  ForgetJob(task->workerId);
  const std::string partialPath = task->PartialPath();
  if (message == core::Msg::DownloadCompleted) {
    FinishCompleted(std::move(task), partialPath);
    return;
  }
  // An item listed meanwhile for the same target owns that partial file now.
  if (message == core::Msg::DownloadEndedDelete && !HasFullName(task->fullName()) &&
      !writers_.contains(WriterKey(partialPath))) {
    RemoveFileQuietly(partialPath);
  }
  // An item that still names this transfer ended without a failure report (its URL
  // was unusable): it turns stopped.
  if (DownloadItem* item = ItemOfWorker(task->workerId)) SetStopped(*item);
  StartNextWriter(partialPath);
}

void DownloadController::FinishCompleted(std::unique_ptr<DownloadTask> task, const std::string& partialPath) {
  const uint32_t workerId = task->workerId;
  // A name taken meanwhile, on disk or by another item, gives "name(1).ext" and so on.
  const FinalFile final =
      MoveToFreeName(partialPath, task->fullName(), [this](const std::string& path) { return HasFullName(path); });
  task.reset();
  StartNextWriter(partialPath);

  DownloadItem* item = ItemOfWorker(workerId);
  if (!item) return;
  if (final.path.empty()) {
    // The partial file stays with its record, so a later resume finds it complete
    // and tries the name again; the log never lists a file that is not there.
    const TransferFault why{TransferFailure::kRename, final.error.value()};
    SetStopped(*item, DownloadStatus::Failed(why));
    TellFailure(item->fullName(), why);
    return;
  }
  const std::string sizeText = item->sizeText;
  // The record's removal and the log entry reach the settings file in one write,
  // so a crash between them cannot list the file twice or lose it.
  const storage::SettingsStore::WriteHold together = store_.HoldWrites();
  store_.WriteDownloadRecord(item->fullName(), "", "", storage::kRemoveDownloadRecord);
  results_.Mark(item->url(), false);
  RemoveItem(item->key);
  listeners_.Notify([&](DownloadListener& l) { l.DownloadCompleted(final.path, sizeText); });
}

void DownloadController::TellFailure(const std::string& fullName, TransferFault fault) {
  const std::string text = FaultText(fault, texts_);
  listeners_.Notify([&](DownloadListener& l) { l.DownloadFailed(fullName, text); });
}

uint32_t DownloadController::NextWorkerId() {
  while (true) {
    const uint32_t id = nextWorkerId_++;
    if (nextWorkerId_ == 0) nextWorkerId_ = 1;
    // Unique among live transfers and among the ids the items still show.
    if (id != 0 && !jobs_.contains(id) && !keyOfWorker_.contains(id)) return id;
  }
}

bool DownloadController::CancelJob(uint32_t workerId, bool discardPartial) {
  auto it = jobs_.find(workerId);
  if (it == jobs_.end()) return false;
  if (!it->second.heldBack && pool_.Cancel(workerId, discardPartial) != TransferPool::CancelResult::kLeftQueue) {
    return false;
  }
  ForgetJob(workerId);
  return true;
}

void DownloadController::ForgetJob(uint32_t workerId) {
  auto it = jobs_.find(workerId);
  if (it == jobs_.end()) return;
  const size_t writerKey = it->second.writerKey;
  jobs_.erase(it);
  if (auto line = writers_.find(writerKey); line != writers_.end()) {
    std::erase(line->second, workerId);
    if (line->second.empty()) writers_.erase(line);
  }
}

void DownloadController::StartNextWriter(const std::string& partialPath) {
  auto line = writers_.find(WriterKey(partialPath));
  if (line == writers_.end()) return;
  auto job = jobs_.find(line->second.front());
  if (job == jobs_.end() || !job->second.heldBack) return;
  const uint32_t workerId = job->first;
  if (pool_.Submit(std::move(job->second.heldBack))) return;
  // No message box here: a transfer may be waiting for this handler.
  ForgetJob(workerId);
  if (DownloadItem* item = ItemOfWorker(workerId))
    SetStopped(*item, DownloadStatus::Failed({TransferFailure::kCannotStart}));
}

}  // namespace vexon::download
