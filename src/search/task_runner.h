#pragma once

#include <atomic>
#include <memory>

#include "core/owner_channel.h"
#include "net/task_http.h"
#include "search/search_events.h"
#include "search/search_service.h"
#include "search/search_task.h"

namespace vexon::search {

// The work of one search task on a pool thread: fetch and parse a result page or
// check a file link, reporting through the owner channel, and always ending with
// the task-finished report.
class TaskRunner final {
 public:
  TaskRunner(core::OwnerChannel& channel, SearchEvents& events, const std::atomic<bool>& stopSearch);

  void Run(SearchTask& task);

  // How long a check or a page read may take at most; set before the first task.
  net::TaskDeadlines deadlines;

 private:
  bool Stopped(const SearchTask& task) const;
  // Reads a fetched results page, sending its links as they are read; returns the
  // next page URL.
  std::string ReadPage(const SearchTask& task);
  void SendLink(const SearchTask& task, FoundFile file);
  void SendNextPage(const SearchTask& task, const std::string& next);

  core::OwnerChannel& channel_;
  SearchEvents& events_;
  const std::atomic<bool>& stopSearch_;
};

}  // namespace vexon::search
