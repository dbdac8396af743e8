#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace vexon::search {

class SearchService;
struct PageChain;

// The outcome of a link check and the source of a results row.
struct SearchResult {
  std::string url;
  std::string checkedUrl;
  std::string statusText;
  std::string date;  // "%02d/%02d/%04d" month, day, year; empty when not sent
  std::string contentType;
  std::string size;  // Content-Length as sent; empty when not sent
  int status = 0;
  std::string title;
  std::string keyword;
  std::string md5;  // the service's digests of the file, lower-case hex or empty
  std::string sha1;
};

enum class TaskMode : int { FetchPage = 1, CheckLink = 3 };

// One piece of network work of a search: a result page or a link check. Created and
// freed on the owner thread; the worker that runs it reads it and fills `result`.
struct SearchTask {
  std::string url;
  std::string pageText;
  std::string server;
  std::string object;
  std::string title;
  // Whose results page a page task reads, or whose link a check task checks.
  const SearchService* service = nullptr;
  std::string keyword;
  uint32_t threadId = 0;
  int status = 0;
  // A page task's read that failed: the HTTP status or network error code.
  int pageFailure = 0;
  SearchResult result;
  // A found link whose service vouches for it: `result` holds the service's record
  // and no check is needed.
  bool vouched = false;
  // A page task's chain, handed on to its next page.
  std::shared_ptr<PageChain> chain;
  TaskMode mode = TaskMode::FetchPage;
  // Set by the stop command; every network step looks at it.
  std::atomic<bool> stopRequested{false};
};

}  // namespace vexon::search
