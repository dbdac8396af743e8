#pragma once

#include <cstdint>
#include <memory>

#include "core/message_ids.h"
#include "download/download_task.h"
#include "download/transfer_report.h"

namespace vexon::download {

// What download workers report, on the owner thread: reports are posted, the end
// report is sent (the worker waits for it).
class DownloadEvents {
 public:
  virtual ~DownloadEvents() = default;
  // A step, the progress or the failure of the transfer `workerId`.
  virtual void OnWorkerReport(uint32_t workerId, const TransferReport& report) = 0;
  // The worker's last report: completed, ended keeping its partial file, or ended
  // with its partial file to be deleted. The task passes to the handler.
  virtual void OnWorkerEnded(core::Msg message, std::unique_ptr<DownloadTask> task) = 0;
};

}  // namespace vexon::download
