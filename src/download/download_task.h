#pragma once

#include <cstdint>
#include <string>

#include "core/list_schemas.h"

namespace vexon::download {

// What one download worker is handed, and hands back in its end report.
struct DownloadTask {
  uint32_t workerId = 0;
  std::string url;
  std::string fullName;
  // Where the bytes go; empty for the usual fullName + core::kPartialSuffix, which
  // is then not kept once more for each of thousands of waiting downloads.
  std::string partialPath;
  // Continue after what the partial file holds; otherwise it is emptied first.
  bool resume = false;
  // The settings file's write that carries the download's record; the partial file
  // is touched only once it is on disk. 0: nothing to wait for.
  uint64_t recordTicket = 0;
  // Set by the worker: the partial file's length when it opened it under its lock.
  uint64_t resumeOffset = 0;

  std::string PartialPath() const {
    return partialPath.empty() ? fullName + std::string(core::kPartialSuffix) : partialPath;
  }
};

}  // namespace vexon::download
