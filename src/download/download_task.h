#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/list_schemas.h"

namespace vexon::download {

// What a download fetches and where it puts it. The list's item and each of its
// transfers share one and nobody changes it, so thousands of queued downloads hold
// their URL and path once.
struct DownloadTarget {
  std::string url;
  std::string fullName;
  // What the bytes must hash to ("sha1=HEX", "md5=HEX"); empty: not verified.
  std::string digest{};
};
using SharedTarget = std::shared_ptr<const DownloadTarget>;

inline SharedTarget MakeTarget(std::string url, std::string fullName, std::string digest = {}) {
  return std::make_shared<const DownloadTarget>(DownloadTarget{std::move(url), std::move(fullName), std::move(digest)});
}

// A download's partial file: where its bytes go until they are complete.
inline std::string PartialPathOf(std::string_view fullName) {
  return std::string(fullName) + std::string(core::kPartialSuffix);
}

// What one download worker is handed, and hands back in its end report.
struct DownloadTask {
  uint32_t workerId = 0;
  SharedTarget target;
  // Continue after what the partial file holds; otherwise it is emptied first.
  bool resume = false;
  // The settings file's write that carries the download's record; the partial file
  // is touched only once it is on disk. 0: nothing to wait for.
  uint64_t recordTicket = 0;
  // Set by the worker: the partial file's length when it opened it under its lock.
  uint64_t resumeOffset = 0;

  const std::string& url() const { return target->url; }
  const std::string& fullName() const { return target->fullName; }
  // Made when needed rather than kept for each of thousands of waiting downloads.
  std::string PartialPath() const { return PartialPathOf(fullName()); }
};

}  // namespace vexon::download
