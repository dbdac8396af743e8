#pragma once

#include "search/search_task.h"

namespace vexon::search {

// What search workers report; each runs on the owner thread while the worker waits.
class SearchEvents {
 public:
  virtual ~SearchEvents() = default;
  virtual void OnTaskFinished(SearchTask& task) = 0;
  // `page` is a temporary record: url, engine, keyword.
  virtual void OnNextPage(const SearchTask& page) = 0;
  // `link` is a temporary record: url, title, keyword.
  virtual void OnLinkFound(const SearchTask& link) = 0;
  virtual void OnLiveLink(const SearchResult& result) = 0;
};

}  // namespace vexon::search
