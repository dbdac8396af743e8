#include "search/search_controller.h"

#include <vector>

#include "core/list_schemas.h"
#include "net/status_text.h"
#include "net/url.h"
#include "text/strings.h"

namespace vexon::search {
namespace {

std::string AfterLast(const std::string& s, char c) {
  const size_t at = s.rfind(c);
  return at == std::string::npos ? s : s.substr(at + 1);
}

}  // namespace

SearchController::SearchController(core::OwnerChannel& channel, core::ResultList& results, const SearchOptions& options,
                                   SearchServices services, size_t maxTasks)
    : results_(results),
      options_(options),
      services_(std::move(services)),
      runner_(channel, *this, stopSearch_),
      pool_(maxTasks) {}

SearchController::~SearchController() {
  stopSearch_ = true;
  for (auto& [id, task] : running_) task->stopRequested = true;
  pool_.Shutdown();
}

void SearchController::OnSearch(std::string_view typedText) {
  OnClearAndStopSearch();
  stopSearch_ = false;
  const std::string words(text::Trim(typedText));
  if (words.empty()) return;
  listeners_.Notify([&](SearchListener& l) { l.WordsSearched(words); });
  currentKeyword_ = words;
  for (const auto& service : services_) {
    if (options_.Asks(service->name()))
      StartTask(service->QueryUrl(words), service.get(), words, TaskMode::FetchPage, {}, std::make_shared<PageChain>());
  }
}

void SearchController::OnStopSearch() {
  // Tasks still waiting for a worker end at once, without network work.
  const std::vector<uint32_t> waiting = pool_.DropQueued();
  stopSearch_ = true;
  if (checkCount_ > 0) {
    for (auto& [id, task] : running_) task->stopRequested = true;
  }
  // No pause for the running ones to settle: they report their ends through the
  // owner channel, and a sleep here would freeze the window.
  for (uint32_t id : waiting) FinishTask(id);
}

void SearchController::OnClearAndStopSearch() {
  OnStopSearch();
  results_.Clear();
  failures_.clear();
}

void SearchController::StartTask(const std::string& url, const SearchService* service, const std::string& keyword,
                                 TaskMode mode, const std::string& title, std::shared_ptr<PageChain> chain) {
  auto task = std::make_shared<SearchTask>();
  task->url = url;
  task->chain = std::move(chain);
  task->service = service;
  task->keyword = keyword;
  task->title = title;
  task->mode = mode;
  if (++nextThreadId_ == 0) ++nextThreadId_;
  task->threadId = nextThreadId_;
  running_.emplace(task->threadId, task);
  if (mode == TaskMode::CheckLink) checking_.insert(net::ShownUrl(url));
  const bool started = pool_.Submit(
      task->threadId, [this, task] { runner_.Run(*task); }, mode == TaskMode::FetchPage);
  if (!started) {
    running_.erase(task->threadId);
    if (mode == TaskMode::CheckLink) checking_.erase(net::ShownUrl(url));
    return;
  }
  ++checkCount_;
  ShowCount();
}

void SearchController::OnTaskFinished(SearchTask& task) {
  if (task.pageFailure != 0 && task.service != nullptr && task.keyword == currentKeyword_ && !stopSearch_.load())
    RecordFailure(*task.service, task.pageFailure);
  FinishTask(task.threadId);
}

void SearchController::RecordFailure(const SearchService& service, int failure) {
  std::string line = texts_.Fill(kServiceFailedFormat, texts_(ServiceLabel(service.name())), net::StatusText(failure));
  for (auto& [name, text] : failures_) {
    if (name == service.name()) {
      text = std::move(line);
      return;
    }
  }
  failures_.emplace_back(service.name(), std::move(line));
}

std::string SearchController::FailureText() const {
  std::string joined;
  for (const auto& [name, text] : failures_) joined += (joined.empty() ? "" : "  ") + text;
  return joined;
}

void SearchController::FinishTask(uint32_t threadId) {
  if (--checkCount_ < 0) checkCount_ = 0;
  const bool allDone = checkCount_ == 0;
  auto it = running_.find(threadId);
  if (it == running_.end()) return;
  if (it->second->mode == TaskMode::CheckLink) checking_.erase(net::ShownUrl(it->second->url));
  running_.erase(it);
  if (allDone) {
    listeners_.Notify([](SearchListener& l) {
      l.CheckingChanged(kFinishedText);
      l.AllFinished();
    });
  } else {
    ShowCount();
  }
}

void SearchController::ShowCount() {
  const std::string text = texts_.Fill(kCheckingFormat, std::to_string(checkCount_));
  listeners_.Notify([&](SearchListener& l) { l.CheckingChanged(text); });
}

void SearchController::OnNextPage(const SearchTask& page) {
  if (page.keyword != currentKeyword_) return;
  if (MaxResultsReached(options_, results_.size())) {
    OnStopSearch();
    return;
  }
  StartTask(page.url, page.service, page.keyword, TaskMode::FetchPage, {}, page.chain);
}

void SearchController::OnLinkFound(const SearchTask& link) {
  if (link.keyword != currentKeyword_) return;
  if (MaxResultsReached(options_, results_.size())) {
    OnStopSearch();
    return;
  }
  const std::string shown = net::ShownUrl(link.url);
  if (!TypeFilterPasses(options_, shown)) return;
  if (results_.Contains(shown) || checking_.count(shown) > 0) return;
  if (link.vouched) {
    SearchResult result = link.result;
    result.url = link.url;
    result.title = link.title;
    result.keyword = link.keyword;
    OnLiveLink(result);
    return;
  }
  StartTask(link.url, link.service, link.keyword, TaskMode::CheckLink, link.title);
}

void SearchController::OnLiveLink(const SearchResult& result) {
  if (stopSearch_.load()) return;
  if (!DateSizeFilterPasses(options_, result.size, result.date)) return;
  const std::string shown = net::ShownUrl(result.url);
  if (result.keyword != currentKeyword_) return;
  if (MaxResultsReached(options_, results_.size())) return;
  results_.Add({net::UrlFileName(shown), AfterLast(shown, '.'), result.size, result.date, result.title, shown,
                result.md5, result.sha1},
               text::Format("%zu", results_.size()));
}

}  // namespace vexon::search
