#include "search/result_files.h"

#include <utility>

namespace vexon::search {

ResultFiles::ResultFiles(SearchController& search, core::ListTable& results, std::filesystem::path startDir)
    : search_(search), results_(results), startDir_(std::move(startDir)) {}

std::filesystem::path ResultFiles::ProposedSaveName() const {
  return storage::DefaultResultFileName(startDir_, search_.currentKeyword());
}

std::filesystem::path ResultFiles::OpenFolder() const {
  return startDir_ / std::string(storage::kResultFolderName);
}

storage::ResultFileStatus ResultFiles::Save(const std::filesystem::path& path) const {
  return storage::WriteResultFile(path, results_);
}

storage::ResultFileStatus ResultFiles::Open(const std::filesystem::path& path, std::string& words) {
  search_.OnClearAndStopSearch();
  words = storage::KeywordFromResultFileName(path);
  search_.SetCurrentKeyword(words);
  return storage::ReadResultFile(path, results_);
}

}  // namespace vexon::search
