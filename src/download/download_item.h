#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "download/download_task.h"
#include "download/download_texts.h"
#include "download/transfer_report.h"

namespace vexon::download {

enum class DownloadState {
  kStopped,       // no worker
  kQueued,        // a worker waits for a slot
  kConnecting,    // the worker reports its connection steps
  kTransferring,  // the body is arriving
};

// A figure of a row: none yet, the mark a stop leaves, or a measured value.
template <typename T>
struct Figure {
  enum class Shown : uint8_t { kNone, kStopMark, kValue };
  Shown shown = Shown::kNone;
  T value{};

  void Set(T v) {
    shown = Shown::kValue;
    value = v;
  }
  void MarkStopped() { shown = Shown::kStopMark; }
};

// What the state column says: waiting, stopped, a step of the transfer, or why it
// stopped.
struct DownloadStatus {
  enum class Kind : uint8_t { kWaiting, kStopped, kStep, kFailed };
  Kind kind = Kind::kWaiting;
  TransferStep step = TransferStep::kResolving;
  std::string detail;  // of a step
  TransferFault fault;

  static DownloadStatus Waiting() { return {}; }
  static DownloadStatus Stopped() { return {Kind::kStopped, {}, {}, {}}; }
  static DownloadStatus Failed(TransferFault fault) { return {Kind::kFailed, {}, {}, fault}; }
};

// One download of the list, as numbers and kinds. The list's rows are a projection
// of these, made in the list's language; counts, records and enabling rules read
// the items, never the row texts.
struct DownloadItem {
  uint64_t key = 0;  // names the item's row, wherever sorting puts it
  DownloadState state = DownloadState::kStopped;
  uint32_t workerId = 0;  // the live transfer; 0 when there is none
  // The settings file's write that carries the item's record (0: on disk at start).
  uint64_t recordTicket = 0;
  SharedTarget target;   // shared with its transfers
  std::string sizeText;  // the size the result or the record gave
  // What the partial file holds and of how much, as last told; the percent shows
  // only with both.
  std::optional<uint64_t> received;
  std::optional<uint64_t> total;
  Figure<double> bytesPerMs;
  Figure<uint64_t> secondsLeft;
  DownloadStatus status;

  const std::string& fullName() const { return target->fullName; }
  const std::string& url() const { return target->url; }
};

// The row cells of an item (column 0, the list's own, left empty).
std::vector<std::string> RowCells(const DownloadItem& item, const DownloadTexts& texts);
// The state column's text. A failure of the transfer itself shows as "停止下载";
// one of the partial file, its name or the queue shows as its reason.
std::string StatusText(const DownloadStatus& status, const DownloadTexts& texts);
// Why the row stopped, told in its tooltip; empty unless it failed.
std::string StatusNote(const DownloadStatus& status, const DownloadTexts& texts);
// Why a download stopped by itself, in words with its code, and the code's cause
// in words where it has some: "...,错误:12030 (连接过早中断)".
std::string FaultText(TransferFault fault, const DownloadTexts& texts);
// The image of the ID cell.
int StateImage(DownloadState state);

// Images of the ID cell.
inline constexpr int kStoppedImage = 0;
inline constexpr int kQueuedImage = 1;
inline constexpr int kTransferringImage = 2;

inline constexpr const char* kNoWorkerId = "-";
inline constexpr const char* kWaitingText = "等待下载";
inline constexpr const char* kStoppedText = "停止下载";
inline constexpr const char* kStoppedSpeedText = "0";
inline constexpr const char* kStoppedTimeLeftText = "-";

// Messages and questions of the download commands.
inline constexpr const char* kUrlListedText = "文件URL在下载列表中已存在.";
inline constexpr const char* kFileOnDiskQuestion = "该文件在磁盘中已存在.要重命名或改变下载路径吗?";
inline constexpr const char* kFullNameListedQuestion = "该文件全名在下载列表中已存在.要重命名或改变下载路径吗?";
inline constexpr const char* kUrlListedAsText = "该文件URL在下载文件列表中已存在!";
inline constexpr const char* kFileOnDiskAsQuestion = "该文件在磁盘中已存在,你是否要改重命名或改变路径?";
inline constexpr const char* kDeleteSelectedQuestion = "你是否要删除被选择的下载文件项?";
inline constexpr const char* kDeleteAllQuestion = "你是否要删除所有下载文件项?";
inline constexpr const char* kCannotStartText = "不能启动新线层";
// After a start command on several results rows: how many were left out because
// their URL is listed or their name is taken; "%1" is the count.
inline constexpr const char* kRowsLeftOutText =
    "%1 个选中的文件没有加入下载列表: 它们的URL已在列表中, 或文件名已被使用.";
// A download whose record the settings file refuses (a line break in its path, say)
// still runs, but is not listed again after a restart; the user is told so.
inline constexpr const char* kRecordNotKeptText = "该下载不能记入设置文件,程序重新启动后它将不在下载列表中.";
// A URL longer than a download record keeps is never queued.
inline constexpr const char* kUrlTooLongText = "该文件URL太长(超过8192字节),不能下载.";
// Status of a completed row whose partial file could not be given its name; "%1"
// is the system error code.
inline constexpr const char* kRenameFailedText = "下载已完成,但不能改为最终文件名,错误:%1";

}  // namespace vexon::download
