#include "download/download_item.h"

#include <climits>
#include <system_error>

#include "core/list_schemas.h"
#include "download/file_names.h"
#include "text/strings.h"

namespace vexon::download {
namespace {

std::string Decimal(uint64_t value) {
  return text::Format("%llu", static_cast<unsigned long long>(value));
}

std::string PercentCell(const DownloadItem& item) {
  if (!item.received || !item.total) return {};
  if (*item.total == 0) return "100%";
  const double percent = static_cast<double>(*item.received) * 100.0 / static_cast<double>(*item.total);
  return text::Format("%d%%", percent >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(percent));
}

template <typename T, typename Text>
std::string FigureCell(const Figure<T>& figure, const char* stopMark, Text text) {
  switch (figure.shown) {
    case Figure<T>::Shown::kNone: return {};
    case Figure<T>::Shown::kStopMark: return stopMark;
    case Figure<T>::Shown::kValue: return text(figure.value);
  }
  return {};
}

// The failure's own text with its code, without the cause.
std::string FaultHeadline(TransferFault fault, const DownloadTexts& texts) {
  const std::string code = text::Format("%d", fault.code);
  switch (fault.kind) {
    case TransferFailure::kNone: return {};
    case TransferFailure::kOpen: return FillText(texts.openFailed, code);
    case TransferFailure::kConnect: return FillText(texts.connectFailed, code);
    case TransferFailure::kNoResponse: return FillText(texts.noResponse, code);
    case TransferFailure::kBadStatus: return FillText(texts.badStatus, code);
    case TransferFailure::kTransfer: return FillText(texts.transferFailed, code);
    case TransferFailure::kRecord: return texts.recordFailed;
    case TransferFailure::kRename: return FillText(texts.renameFailed, code);
    case TransferFailure::kDigest: return FillText(texts.digestMismatch, fault.code == 1 ? "MD5" : "SHA1");
    case TransferFailure::kCannotStart: return texts.cannotStart;
  }
  return {};
}

// Network codes start here; the system's error numbers are far below.
constexpr int kFirstNetworkCode = 12000;

std::string SystemWords(int code) {
  return code > 0 ? std::generic_category().message(code) : std::string();
}

std::string CodeWords(const DownloadTexts& texts, int code) {
  for (const auto& [known, words] : texts.causes) {
    if (known == code) return words;
  }
  return {};
}

// Empty when the code has no words. Only a connection that never got an answer
// takes the words for any network code: after an answer "no connection" is false.
std::string FaultCause(TransferFault fault, const DownloadTexts& texts) {
  switch (fault.kind) {
    case TransferFailure::kOpen:
    case TransferFailure::kRename: return SystemWords(fault.code);
    case TransferFailure::kTransfer:
      return fault.code >= kFirstNetworkCode ? CodeWords(texts, fault.code) : SystemWords(fault.code);
    case TransferFailure::kConnect: {
      std::string words = CodeWords(texts, fault.code);
      return words.empty() ? texts.noConnection : words;
    }
    case TransferFailure::kNoResponse:
    case TransferFailure::kBadStatus: return CodeWords(texts, fault.code);
    default: return {};
  }
}

}  // namespace

std::vector<std::string> RowCells(const DownloadItem& item, const DownloadTexts& texts) {
  std::vector<std::string> cells(core::kDownloadUrl + 1);
  cells[core::kDownloadId] = item.workerId != 0 ? text::Format("%u", item.workerId) : std::string(kNoWorkerId);
  cells[core::kDownloadFileName] = std::string(AfterLastSlash(item.fullName()));
  cells[core::kDownloadPercent] = PercentCell(item);
  cells[core::kDownloadReceived] = item.received ? Decimal(*item.received) : std::string();
  cells[core::kDownloadSize] = item.sizeText;
  cells[core::kDownloadSpeed] =
      FigureCell(item.bytesPerMs, kStoppedSpeedText, [&](double v) { return SpeedText(texts, v); });
  cells[core::kDownloadTimeLeft] =
      FigureCell(item.secondsLeft, kStoppedTimeLeftText, [&](uint64_t s) { return TimeLeftText(texts, s); });
  cells[core::kDownloadState] = StatusText(item.status, texts);
  cells[core::kDownloadFullName] = item.fullName();
  cells[core::kDownloadUrl] = item.url();
  return cells;
}

std::string StatusText(const DownloadStatus& status, const DownloadTexts& texts) {
  switch (status.kind) {
    case DownloadStatus::Kind::kWaiting: return texts.waiting;
    case DownloadStatus::Kind::kStopped: return texts.stopped;
    case DownloadStatus::Kind::kStep: return StepText(texts, status.step, status.detail);
    case DownloadStatus::Kind::kFailed:
      // The narrow cell keeps the short text; the note adds the cause.
      switch (status.fault.kind) {
        case TransferFailure::kOpen:
        case TransferFailure::kRename:
        case TransferFailure::kCannotStart: return FaultHeadline(status.fault, texts);
        default: return texts.stopped;
      }
  }
  return {};
}

std::string StatusNote(const DownloadStatus& status, const DownloadTexts& texts) {
  return status.kind == DownloadStatus::Kind::kFailed ? FaultText(status.fault, texts) : std::string();
}

std::string FaultText(TransferFault fault, const DownloadTexts& texts) {
  const std::string headline = FaultHeadline(fault, texts);
  const std::string cause = FaultCause(fault, texts);
  return cause.empty() ? headline : FillText(texts.withCause, headline, cause);
}

int StateImage(DownloadState state) {
  switch (state) {
    case DownloadState::kStopped: return kStoppedImage;
    case DownloadState::kQueued:
    case DownloadState::kConnecting: return kQueuedImage;
    case DownloadState::kTransferring: return kTransferringImage;
  }
  return kStoppedImage;
}

}  // namespace vexon::download
