#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/message_ids.h"
#include "download/download_task.h"

namespace vexon::download {

// What download workers report, on the owner thread: reports are posted, the end
// report is sent (the worker waits for it).
class DownloadEvents {
 public:
  virtual ~DownloadEvents() = default;
  // Speed, percent, bytes, status, time left, body begins (empty text), failure.
  virtual void OnWorkerReport(core::Msg message, uint32_t workerId, const std::string& text) = 0;
  // The worker's last report: completed, ended keeping its partial file, or ended
  // with its partial file to be deleted. The task passes to the handler.
  virtual void OnWorkerEnded(core::Msg message, std::unique_ptr<DownloadTask> task) = 0;
};

}  // namespace vexon::download
