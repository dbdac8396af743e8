#include "app/session.h"

#include <utility>

#include "core/list_schemas.h"
#include "update/update_agent.h"

namespace vexon::app {

Session::Session(SessionConfig config, core::OwnerChannel& channel, SessionPorts ports)
    : config_(std::move(config)),
      shell_(ports.shell),
      downloadTexts_(download::DownloadTexts::Translated(config_.texts)),
      profile_(storage::SettingsStore::SettingsPath(config_.startDir)),
      batch_(profile_),
      store_(profile_, config_.startDir, config_.downloadFolder),
      history_(store_, settings_),
      results_(core::kResultsColumns),
      resultList_(results_),
      downloads_(core::kDownloadColumns),
      completed_(core::kCompletedColumns),
      updateJob_(channel),
      hotWordsJob_(channel) {
  store_.UseBatch(&batch_);
  // The pool is sized before any transfer exists.
  store_.ReadMaxDownloadThreads(settings_);
  log_ = std::make_unique<library::CompletedLog>(completed_, settings_, store_, ports.prompter, ports.shell,
                                                 ports.moveDialog, config_.startDir, config_.texts, &channel);
  links_ = std::make_unique<library::ResultLinks>(ports.prompter, ports.shell, ports.associations, config_.texts);
  search::SetSources(options_, config_.hosts.sources);
  search_ =
      std::make_unique<search::SearchController>(channel, resultList_, options_, search::MakeServices(config_.hosts));
  search_->SetTexts(config_.texts);
  searchSubscription_ = search_->Subscribe(*this);
  resultFiles_ = std::make_unique<search::ResultFiles>(*search_, resultList_, config_.startDir);
  downloadsCtl_ = std::make_unique<download::DownloadController>(
      channel, ports.prompter, ports.downloadAs, resultList_, downloads_, settings_, store_,
      config_.maxDownloads.value_or(settings_.MaxDownloadThreads), downloadTexts_,
      [this] { return search_->currentKeyword(); });
  downloadSubscription_ = downloadsCtl_->Subscribe(*this);
}

void Session::WordsSearched(const std::string& words) {
  history_.Record(words);
}

void Session::DownloadCompleted(const std::string& fullPath, const std::string& sizeText) {
  log_->AddLogItem(fullPath, sizeText);
}

bool Session::SaveSources() {
  return store_.SaveSources(search::SourcesText(options_));
}

Session::~Session() {
  updateJob_.Cancel();
  hotWordsJob_.Cancel();
  searchSubscription_.Reset();
  downloadSubscription_.Reset();
  search_.reset();
  downloadsCtl_.reset();
}

void Session::Load() {
  storage::StoredLists lists;
  store_.LoadSettings(settings_, lists);
  history_.Assign(std::move(lists.history));
  log_->Load(lists.completed);
  downloadsCtl_->LoadRecords(lists.downloads);
}

void Session::LoadOptions() {
  storage::StoredLists lists;
  store_.LoadSettings(settings_, lists);
  history_.Assign(std::move(lists.history));
}

void Session::LoadSearchHistory() {
  std::vector<std::string> entries;
  store_.LoadSearchHistory(settings_, entries);
  history_.Assign(std::move(entries));
}

std::function<int(const std::function<bool()>& stop)> Session::UpdateCheck() const {
  const std::filesystem::path executable = config_.executable;
  const std::string base = config_.siteUrl + kUpdateFolderName;
  return [executable, base](const std::function<bool()>& stop) {
    update::UpdateAgentConfig agentConfig;
    agentConfig.executable = executable;
    agentConfig.stopRequested = stop;
    return update::UpdateAgent(std::move(agentConfig)).CheckForUpdate(base);
  };
}

std::function<hotwords::RefreshOutcome(const std::function<bool()>& stop)> Session::HotWordsRefresh() const {
  const std::string pageUrl = config_.siteUrl + kHotWordsPageName;
  const std::filesystem::path startDir = config_.startDir;
  return [pageUrl, startDir](const std::function<bool()>& stop) {
    return hotwords::RefreshWordListFromSite(pageUrl, startDir, stop);
  };
}

}  // namespace vexon::app
