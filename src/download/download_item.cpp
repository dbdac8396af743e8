#include "download/download_item.h"

#include "core/list_schemas.h"
#include "download/file_names.h"
#include "text/strings.h"

namespace vexon::download {

std::vector<std::string> RowCells(const DownloadItem& item, size_t index) {
  std::vector<std::string> cells(core::kDownloadUrl + 1);
  cells[core::kDownloadIndex] = text::Format("%zu", index);
  cells[core::kDownloadId] = item.workerId != 0 ? text::Format("%u", item.workerId) : std::string(kNoWorkerId);
  cells[core::kDownloadFileName] = std::string(AfterLastSlash(item.fullName));
  cells[core::kDownloadPercent] = item.percent;
  cells[core::kDownloadReceived] = item.received;
  cells[core::kDownloadSize] = item.sizeText;
  cells[core::kDownloadSpeed] = item.speed;
  cells[core::kDownloadTimeLeft] = item.timeLeft;
  cells[core::kDownloadState] = item.status;
  cells[core::kDownloadFullName] = item.fullName;
  cells[core::kDownloadUrl] = item.url;
  return cells;
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
