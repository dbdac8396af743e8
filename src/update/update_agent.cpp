#include "update/update_agent.h"

#include <cstdlib>
#include <system_error>

#include "net/url.h"
#include "update/file_version.h"
#include "update/version_compare.h"

namespace vexon::update {
namespace fs = std::filesystem;
namespace {

fs::path DefaultTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? fs::path(tmp) : fs::path("/tmp");
}

std::string UpToNul(std::string text) {
  const size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

bool SamePath(const fs::path& a, const fs::path& b) {
  std::error_code ec1;
  std::error_code ec2;
  const fs::path ca = fs::weakly_canonical(a, ec1);
  const fs::path cb = fs::weakly_canonical(b, ec2);
  return ec1 || ec2 ? a.lexically_normal() == b.lexically_normal() : ca == cb;
}

// A file name that only a swapped or removed program shows as its own.
bool IsStaleExecutableName(const fs::path& exe) {
  const std::string name = exe.filename().string();
  static constexpr std::string_view kDeleted = " (deleted)";
  return name == kBackupFileName || (name.size() >= kDeleted.size() &&
                                     name.compare(name.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0);
}

}  // namespace

fs::path RunningExecutablePath() {
  std::error_code ec;
  fs::path path = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : path;
}

UpdateAgent::UpdateAgent(UpdateAgentConfig config)
    : config_(std::move(config)), fetch_(kUpdateAgentName, config_.limits, config_.stopRequested) {
  if (config_.executable.empty()) config_.executable = RunningExecutablePath();
  if (config_.tempFolder.empty()) config_.tempFolder = DefaultTempFolder();
  if (!config_.swapMove) config_.swapMove = MoveFileAllowingCopy;
  // The swap works on the file itself, never on a link to it.
  std::error_code ec;
  if (!config_.executable.empty()) {
    const fs::path real = fs::canonical(config_.executable, ec);
    if (!ec) config_.executable = real;
  }
}

std::string UpdateAgent::OwnVersion() const {
  return config_.ownVersion ? *config_.ownVersion : ReadFileVersion(config_.executable);
}

int UpdateAgent::CheckForUpdate(const std::string& baseUrl) {
  if (!net::IsWebAddress(baseUrl)) return kUpdateNoConnection;
  std::string siteVersion;
  switch (fetch_.ReadStart(baseUrl + kVersionFileName, kVersionReadBytes, siteVersion)) {
    case FetchOutcome::kDone: break;
    case FetchOutcome::kNoConnection: return kUpdateNoConnection;
    case FetchOutcome::kOpenFailed: return kUpdateOpenFailed;
    case FetchOutcome::kReadFailed: return kUpdateNoVersionData;
  }
  siteVersion = UpToNul(std::move(siteVersion));
  if (siteVersion.empty()) return kUpdateNoVersionData;

  const fs::path& exe = config_.executable;
  if (exe.filename().empty() || IsStaleExecutableName(exe)) return kUpdateOwnVersionUnknown;
  const std::string ownVersion = OwnVersion();
  if (ownVersion.empty()) return kUpdateOwnVersionUnknown;
  if (CompareVersions(siteVersion, ownVersion) != 1) return kUpdateNotNewer;
  return DownloadAndSwap(baseUrl);
}

int UpdateAgent::DownloadAndSwap(const std::string& baseUrl) {
  const fs::path& exe = config_.executable;
  const std::string name = exe.filename().string();
  fs::path download = config_.tempFolder / name;
  // With the program in the temporary folder itself, its own name is taken.
  if (SamePath(download, exe)) download += ".download";

  uint64_t bytes = 0;
  switch (fetch_.SaveNewFile(baseUrl + net::EncodePathSegment(name), download, bytes)) {
    case FetchOutcome::kDone: break;
    case FetchOutcome::kNoConnection:
    case FetchOutcome::kOpenFailed: return kUpdateOpenFailed;
    case FetchOutcome::kReadFailed: return kUpdateDownloadFailed;
  }
  std::error_code ec;
  if (bytes == 0) {
    fs::remove(download, ec);
    return kUpdateDownloadFailed;
  }
  if (!SwapExecutable(exe, download, config_.swapMove)) {
    fs::remove(download, ec);
    return kUpdateSwapFailed;
  }
  return kUpdateInstalled;
}

int UpdateAgent::ReadUrlText(const std::string& url, std::string& out) {
  out.clear();
  std::string text;
  switch (fetch_.ReadStart(url, kVersionReadBytes, text)) {
    case FetchOutcome::kDone: break;
    case FetchOutcome::kNoConnection: return kTextNoConnection;
    case FetchOutcome::kOpenFailed: return kTextOpenFailed;
    case FetchOutcome::kReadFailed: return kTextNoData;
  }
  out = UpToNul(std::move(text));
  return out.empty() ? kTextNoData : kTextRead;
}

}  // namespace vexon::update
