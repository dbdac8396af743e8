#include "search/result_files.h"

#include <utility>

namespace vexon::search {

ResultFiles::ResultFiles(SearchController& search, core::ResultList& results, std::filesystem::path startDir)
    : search_(search), results_(results), startDir_(std::move(startDir)) {}

std::filesystem::path ResultFiles::ProposedSaveName() const {
  return storage::DefaultResultFileName(startDir_, search_.currentKeyword());
}

std::filesystem::path ResultFiles::OpenFolder() const {
  return startDir_ / std::string(storage::kResultFolderName);
}

storage::ResultFileStatus ResultFiles::Save(const std::filesystem::path& path) const {
  return storage::WriteResultFile(path, results_.table());
}

storage::ResultFileStatus ResultFiles::Open(const std::filesystem::path& path, std::string& words) {
  search_.OnClearAndStopSearch();
  words = storage::KeywordFromResultFileName(path);
  search_.SetCurrentKeyword(words);
  std::vector<std::vector<std::string>> rows;
  const storage::ResultFileStatus status = storage::ReadResultFile(path, rows);
  for (std::vector<std::string>& cells : rows) {
    // The row number stays the file's own.
    results_.Add({cells[core::kResultName], cells[core::kResultType], cells[core::kResultSize],
                  cells[core::kResultDate], cells[core::kResultTitle], cells[core::kResultUrl]},
                 std::move(cells[core::kResultIndex]));
  }
  results_.table().Sort(core::kResultIndex, true);
  return status;
}

}  // namespace vexon::search
