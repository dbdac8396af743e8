#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

namespace vexon::storage {

// The downloaded-files log as one process writes it while another (the window and
// vexon-cli on the same start-up folder) may have added to it since: `mine` in its
// order, with the entries of `onDisk` this process neither lists nor removed put
// where they stand on disk, and of those together the newest `maxItems`.
std::vector<std::string> MergeCompletedPaths(const std::vector<std::string>& mine,
                                             const std::unordered_set<std::string>& removed,
                                             const std::vector<std::string>& onDisk, size_t maxItems);

}  // namespace vexon::storage
