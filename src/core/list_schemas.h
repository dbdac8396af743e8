#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vexon::core {

// The three lists of the window: their column specifications and the column
// numbers every rule names them by.

inline constexpr std::string_view kResultsColumns = ",25;文件名,100;类型,40;大小,70;日期,80;标题,200;URL,80";
enum ResultColumn : size_t {
  kResultIndex = 0,
  kResultName,
  kResultType,
  kResultSize,
  kResultDate,
  kResultTitle,
  kResultUrl,
};
// A listed link; the results list's rows are a projection of these.
struct ResultRow {
  std::string name;
  std::string type;
  std::string size;  // bytes, as the server sent them
  std::string date;
  std::string title;
  std::string url;  // as shown: "%20" as blanks, "&amp;" as "&"
  // Not shown: the service's digests of the file, lower-case hex or empty.
  std::string md5{};
  std::string sha1{};

  // What the download is verified by, as the lists write it: "sha1=HEX", else
  // "md5=HEX", else empty.
  std::string DigestText() const {
    return !sha1.empty() ? "sha1=" + sha1 : !md5.empty() ? "md5=" + md5 : std::string();
  }
};

inline constexpr std::string_view kDownloadColumns =
    ",25;ID,42;文件名,100;进度,60;已收,60;大小,60;速率,45;还剩时间,60;状态,60;全名,40;URL,47";
enum DownloadColumn : size_t {
  kDownloadIndex = 0,
  kDownloadId,
  kDownloadFileName,
  kDownloadPercent,
  kDownloadReceived,
  kDownloadSize,
  kDownloadSpeed,
  kDownloadTimeLeft,
  kDownloadState,
  kDownloadFullName,
  kDownloadUrl,
};
// A download's partial file: its full name followed by this.
inline constexpr std::string_view kPartialSuffix = ".grb";

// The tags' columns come last, so widths saved before them still fit.
inline constexpr std::string_view kCompletedColumns =
    ",25;文件名,200;类型,50;大小,70;路径,200;艺术家,120;标题,160;专辑,120;时长,50";
enum CompletedColumn : size_t {
  kLogIndex = 0,
  kLogName,
  kLogType,
  kLogSize,
  kLogFolder,
  kLogArtist,
  kLogTitle,
  kLogAlbum,
  kLogLength,
};

}  // namespace vexon::core
