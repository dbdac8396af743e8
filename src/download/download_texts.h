#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "download/transfer_report.h"
#include "text/catalog.h"

namespace vexon::download {

// The worker's texts in one language; "%1" and "%2" are filled in.
struct DownloadTexts {
  std::string connected;           // "已连接到 %1"
  std::string resolving;           // "正在解析域名: %1"
  std::string resolved;            // "已解析域名: %1"
  std::string connecting;          // "正在连接 %1"
  std::string redirecting;         // "正在重定向到 %1"
  std::string sessionFailed;       // 110
  std::string connectFailed;       // 111
  std::string noResponse;          // 112
  std::string badStatus;           // 113
  std::string transferFailed;      // 114
  std::string seconds;             // "%1s"
  std::string minutes;             // "%1m"
  std::string minutesSeconds;      // "%1m,%2s"
  std::string bytesPerSecond;      // "%1bps"
  std::string kilobytesPerSecond;  // "%1kps"
  std::string openFailed;          // 130
  // The settings file could not take the download's record, so it did not start
  // (a partial file without a record would be lost after a restart).
  std::string recordFailed;
  std::string digestMismatch;  // %1: "MD5" or "SHA1"
  std::string waitingToRetry;  // %1: seconds
  // The rows' own states and the download commands' messages (download_item.h).
  std::string downloading;
  std::string waiting;
  std::string stopped;
  std::string renameFailed;  // %1: the system error code
  std::string cannotStart;
  std::string urlListed;
  std::string fileOnDisk;
  std::string fullNameListed;
  std::string urlListedAs;
  std::string fileOnDiskAs;
  std::string deleteSelected;
  std::string deleteAll;
  std::string rowsLeftOut;  // %1: how many
  std::string recordNotKept;
  std::string urlTooLong;
  // "%1 (%2)": a failure's text, then its cause in words.
  std::string withCause;
  // The words of each HTTP status and network code that has its own; in English
  // they are the ones the link check shows for the code, so both say the same.
  std::vector<std::pair<int, std::string>> causes;
  // The words for a connection that failed with a network code of no words of its own.
  std::string noConnection;

  // The program's own texts, the source of every translation.
  static const DownloadTexts& Chinese();
  // Each text as `texts` translates it.
  static DownloadTexts Translated(const text::Translator& texts);
  // Every text of the set but the causes.
  static const std::vector<std::string DownloadTexts::*>& Fields();
};

// "正在下载": sent when the body transfer begins.
inline constexpr const char* kDownloadingText = "正在下载";

using text::FillText;

// The state column's text of a step; `detail` names the host or URL.
std::string StepText(const DownloadTexts& texts, TransferStep step, std::string_view detail);

// 0.5 bytes/ms gives "512bps", 3.254 gives "3.25kps", 10.0 gives "10kps".
std::string SpeedText(const DownloadTexts& texts, double bytesPerMillisecond);
// 59 gives "59s", 60 gives "1m", 61 gives "1m,1s".
std::string TimeLeftText(const DownloadTexts& texts, uint64_t seconds);

}  // namespace vexon::download
