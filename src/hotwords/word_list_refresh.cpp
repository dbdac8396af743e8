#include "hotwords/word_list_refresh.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <system_error>

#include "hotwords/word_list.h"

namespace vexon::hotwords {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kHttpOk = 200;

// Whether the site reports the page to be exactly as long as the local file. A failed
// query, another status or a missing length (reported as 0) proves nothing, so the
// page is then downloaded.
bool SiteReportsSameSize(net::PageReader& reader, const std::string& pageUrl, const fs::path& local) {
  std::string lastModified;
  uint64_t length = 0;
  unsigned status = 0;
  if (!reader.QueryUrlHeaders(pageUrl, lastModified, length, status) || status != kHttpOk || length == 0) {
    return false;
  }
  std::error_code ec;
  const uintmax_t size = fs::file_size(local, ec);
  return !ec && size == length;
}

// Flushes the downloaded file to disk, so the rename never publishes an empty file
// after a crash.
bool SyncFile(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

bool DownloadUsableList(net::PageReader& reader, const std::string& pageUrl, const fs::path& temp) {
  if (!reader.SaveUrlToFile(pageUrl, temp.string(), {}, {}, kMaxWordListBytes) || reader.status != kHttpOk) {
    return false;
  }
  // Empty, oversized and junk bodies all fail here: none yields a category or word line.
  const std::optional<WordList> list = ReadWordList(temp);
  return list && !list->empty() && SyncFile(temp);
}

}  // namespace

bool RefreshWordList(net::PageReader& reader, const std::string& pageUrl, const fs::path& startDir) {
  const fs::path local = startDir / kWordListFile;
  const fs::path temp = startDir / kWordListTempFile;
  std::error_code ec;
  if (fs::exists(local, ec) && SiteReportsSameSize(reader, pageUrl, local)) return true;

  // A stale buffer (or a link in its place) is removed first, so the download
  // always writes a fresh file of its own.
  fs::remove(temp, ec);
  if (!DownloadUsableList(reader, pageUrl, temp)) {
    fs::remove(temp, ec);
    return false;
  }
  fs::rename(temp, local, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

RefreshOutcome RefreshWordListFromSite(const std::string& pageUrl, const fs::path& startDir,
                                       const std::function<bool()>& stopRequested) {
  net::PageReader reader;
  reader.stopRequested = stopRequested;
  if (RefreshWordList(reader, pageUrl, startDir)) return RefreshOutcome::kCurrent;
  return reader.fileNotWritable ? RefreshOutcome::kBufferNotWritable : RefreshOutcome::kFailed;
}

}  // namespace vexon::hotwords
