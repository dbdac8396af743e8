#pragma once

#include <filesystem>
#include <string>

#include "core/result_list.h"
#include "search/search_controller.h"
#include "storage/result_file.h"

namespace vexon::search {

// Saving the results list as a result file and opening one in its place.
class ResultFiles final {
 public:
  ResultFiles(SearchController& search, core::ResultList& results, std::filesystem::path startDir);

  // Where the save dialog starts: the result folder, named after the last search.
  std::filesystem::path ProposedSaveName() const;
  std::filesystem::path OpenFolder() const;

  // The rows in index order, whatever the list's sort.
  storage::ResultFileStatus Save(const std::filesystem::path& path) const;
  // Stops the search and lists the file's rows; its name (without ".msf") becomes
  // the current search words, returned in `words` even when the file cannot be read.
  storage::ResultFileStatus Open(const std::filesystem::path& path, std::string& words);

 private:
  SearchController& search_;
  core::ResultList& results_;
  std::filesystem::path startDir_;
};

}  // namespace vexon::search
