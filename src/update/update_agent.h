#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "update/executable_swap.h"
#include "update/site_fetch.h"

namespace vexon::update {

// CheckForUpdate's answers.
enum UpdateResult : int {
  kUpdateInstalled = 0,          // the new executable is in place; it runs from the next start
  kUpdateNoConnection = 1,       // the base is not an http(s) address, or its host cannot be reached
  kUpdateOpenFailed = 2,         // update.txt or the executable: no 2xx answer (404, TLS, ...)
  kUpdateNoVersionData = 3,      // update.txt was empty or broke off
  kUpdateDownloadFailed = 4,     // the executable came incomplete, empty, too large, or could not be stored
  kUpdateOwnVersionUnknown = 5,  // this program's version (or its file) is unknown
  kUpdateNotNewer = 6,           // the site's version is not higher, or a version text is malformed
  kUpdateSwapFailed = 7,         // the new file could not take the executable's place
};

// ReadUrlText's answers.
enum ReadTextResult : int {
  kTextRead = 0,
  kTextNoConnection = 1,
  kTextOpenFailed = 2,
  kTextNoData = 3,
};

inline constexpr const char* kUpdateAgentName = "AutoUpdateAgent";
inline constexpr const char* kVersionFileName = "update.txt";
// Only this much of update.txt (or of ReadUrlText's URL) counts.
inline constexpr size_t kVersionReadBytes = 4096;

// The file this process runs from, as /proc/self/exe names it now; empty when it
// cannot be read. After a successful update it names the backup, so a program that
// may update twice in one run should read it once at start and pass it on.
std::filesystem::path RunningExecutablePath();

struct UpdateAgentConfig {
  std::filesystem::path executable;  // empty: RunningExecutablePath()
  // Unset: the version the executable's file carries (ReadFileVersion), so a file
  // that already holds the newest release is not replaced again.
  std::optional<std::string> ownVersion;
  std::filesystem::path tempFolder;  // empty: $TMPDIR, else /tmp
  FetchLimits limits;
  FileMove swapMove = MoveFileAllowingCopy;  // each move of the swap
  // Ends the requests to the site early (a closed dialog); the swap itself, once
  // begun, always runs to its end.
  std::function<bool()> stopRequested;
};

// One update check against the maker's site, synchronous on the caller's thread.
// Whatever fails, the running executable stays as it was: it is moved only once a
// complete new file is on disk, and put back if the new one cannot take its place.
class UpdateAgent final {
 public:
  explicit UpdateAgent(UpdateAgentConfig config = {});

  // `baseUrl` is the site's folder ending in "/" ("http://host/downloads/"); the
  // check reads baseUrl + "update.txt" and fetches baseUrl + the executable's name.
  int CheckForUpdate(const std::string& baseUrl);
  // The first kVersionReadBytes of `url`, as text up to its first NUL.
  int ReadUrlText(const std::string& url, std::string& out);

 private:
  std::string OwnVersion() const;
  int DownloadAndSwap(const std::string& baseUrl);

  UpdateAgentConfig config_;
  SiteFetch fetch_;
};

}  // namespace vexon::update
