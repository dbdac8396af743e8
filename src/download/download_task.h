#pragma once

#include <cstdint>
#include <string>

namespace vexon::download {

// What one download worker is handed, and hands back in its end report.
struct DownloadTask {
  uint32_t workerId = 0;
  std::string url;
  std::string fullName;
  std::string partialPath;  // fullName + core::kPartialSuffix
  // Continue after what the partial file holds; otherwise it is emptied first.
  bool resume = false;
  // The settings file's write that carries the download's record; the partial file
  // is touched only once it is on disk. 0: nothing to wait for.
  uint64_t recordTicket = 0;
  // Set by the worker: the partial file's length when it opened it under its lock.
  uint64_t resumeOffset = 0;
};

}  // namespace vexon::download
