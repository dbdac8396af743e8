#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace vexon::hotwords {

// What is shown when the download buffer cannot be written.
inline constexpr const char* kBufferNotWritableText = "IT IS ERROR";

enum class RefreshOutcome {
  kCurrent,           // the local file is up to date
  kFailed,            // nothing changed
  kBufferNotWritable  // the download buffer could not be written ("IT IS ERROR")
};

// Brings the local word-list file of `startDir` up to date with the page at
// `pageUrl` (see RefreshWordList), with a reader of its own, for a thread that does
// nothing else; `stopRequested` ends it early (nothing changes then).
RefreshOutcome RefreshWordListFromSite(const std::string& pageUrl, const std::filesystem::path& startDir,
                                       const std::function<bool()>& stopRequested);

}  // namespace vexon::hotwords
