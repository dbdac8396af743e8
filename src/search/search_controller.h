#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/owner_channel.h"
#include "core/result_list.h"
#include "core/subscribers.h"
#include "search/search_events.h"
#include "search/search_listener.h"
#include "search/search_options.h"
#include "search/search_service.h"
#include "search/task_pool.h"
#include "search/task_runner.h"
#include "text/catalog.h"

namespace vexon::search {

inline constexpr const char* kCheckingFormat = "正在检测数:%1";
inline constexpr const char* kFinishedText = "Finished!";
// A service whose results page could not be read: its label and why.
inline constexpr const char* kServiceFailedFormat = "%1搜索失败: %2";

// The owner-thread side of a search: starts page and link-check tasks, stops them,
// and turns worker reports into results rows under the filters. Every method runs
// on the owner thread.
class SearchController final : public SearchEvents {
 public:
  SearchController(core::OwnerChannel& channel, core::ResultList& results, const SearchOptions& options,
                   SearchServices services, size_t maxTasks = TaskPool::kDefaultWorkers);
  // The owner channel must already refuse sends, so no worker waits on it.
  ~SearchController() override;

  void OnSearch(std::string_view typedText);
  void OnStopSearch();
  void OnClearAndStopSearch();

  using Subscription = core::Subscribers<SearchListener>::Subscription;
  // Searched words, the checking counter and the end of a search reach `listener`
  // while the result lives.
  Subscription Subscribe(SearchListener& listener) { return listeners_.Subscribe(listener); }

  // Deadlines of the checks and page reads of searches started from now on.
  void SetTaskDeadlines(net::TaskDeadlines deadlines) { runner_.deadlines = deadlines; }
  // The language of the counter and failure texts (the source texts until set).
  void SetTexts(text::Translator texts) { texts_ = std::move(texts); }

  int checkCount() const { return checkCount_; }
  bool HasRunningTasks() const { return !running_.empty(); }
  const std::string& currentKeyword() const { return currentKeyword_; }
  // An opened result file names the results as a search would.
  void SetCurrentKeyword(std::string words) { currentKeyword_ = std::move(words); }
  bool stopSearch() const { return stopSearch_.load(); }
  // One kServiceFailedFormat line per service whose page read failed in the current
  // search, two blanks apart; empty when all answered.
  std::string FailureText() const;
  const TaskPool& pool() const { return pool_; }

  // Worker reports.
  void OnTaskFinished(SearchTask& task) override;
  void OnNextPage(const SearchTask& page) override;
  void OnLinkFound(const SearchTask& link) override;
  void OnLiveLink(const SearchResult& result) override;

 private:
  void StartTask(const std::string& url, const SearchService* service, const std::string& keyword, TaskMode mode,
                 const std::string& title, std::shared_ptr<PageChain> chain = nullptr);
  void FinishTask(uint32_t threadId);
  void RecordFailure(const SearchService& service, int failure);
  void ShowCount();

  core::ResultList& results_;
  const SearchOptions& options_;
  const SearchServices services_;
  std::atomic<bool> stopSearch_{false};
  std::string currentKeyword_;
  text::Translator texts_;
  core::Subscribers<SearchListener> listeners_;
  int checkCount_ = 0;
  uint32_t nextThreadId_ = 0;
  std::unordered_map<uint32_t, std::shared_ptr<SearchTask>> running_;
  // Shown URLs whose check is under way: a link found again meanwhile is the same
  // result, not a second one.
  std::unordered_set<std::string> checking_;
  // Service name and failure line, in the order they failed.
  std::vector<std::pair<std::string, std::string>> failures_;
  TaskRunner runner_;
  TaskPool pool_;  // last: its workers use the members above until joined
};

}  // namespace vexon::search
