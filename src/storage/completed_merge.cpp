#include "storage/completed_merge.h"

#include <unordered_map>

namespace vexon::storage {

std::vector<std::string> MergeCompletedPaths(const std::vector<std::string>& mine,
                                             const std::unordered_set<std::string>& removed,
                                             const std::vector<std::string>& onDisk, size_t maxItems) {
  std::unordered_map<std::string, size_t> place;  // path -> its index in `mine`
  for (size_t i = 0; i < mine.size(); ++i) place.try_emplace(mine[i], i);
  // Another's entry goes behind the entry of mine that comes before it on disk (in
  // front of all of mine when none does), so both lists keep their order.
  std::vector<std::vector<std::string>> behind(mine.size() + 1);
  std::unordered_set<std::string> theirs;
  size_t anchor = 0;
  for (const std::string& path : onDisk) {
    if (auto it = place.find(path); it != place.end()) {
      anchor = it->second + 1;
    } else if (!removed.contains(path) && theirs.insert(path).second) {
      behind[anchor].push_back(path);
    }
  }
  std::vector<std::string> merged(behind[0].begin(), behind[0].end());
  for (size_t i = 0; i < mine.size(); ++i) {
    if (place.at(mine[i]) == i) merged.push_back(mine[i]);
    merged.insert(merged.end(), behind[i + 1].begin(), behind[i + 1].end());
  }
  if (merged.size() > maxItems) merged.erase(merged.begin(), merged.end() - static_cast<std::ptrdiff_t>(maxItems));
  return merged;
}

}  // namespace vexon::storage
