#include "download/download_worker.h"

#include <algorithm>
#include <string>

#include "download/transfer.h"

namespace vexon::download {

net::SessionSettings WorkerContext::DefaultSession() {
  return DownloadSessionSettings();
}

DownloadWorker::DownloadWorker(uint32_t id, std::unique_ptr<DownloadTask> task, WorkerContext& context)
    : task_(std::move(task)), context_(context), id_(id) {
  task_->workerId = id_;
}

DownloadWorker::~DownloadWorker() {
  RequestStopWaiting();
  if (thread_.joinable()) thread_.join();
}

void DownloadWorker::Start() {
  thread_ = std::thread([this] { Run(); });
}

void DownloadWorker::RequestStop() {
  stop_.Request();
}

void DownloadWorker::RequestStopWaiting() {
  leaveQueue_ = true;
  stop_.Request();
  context_.slotPool.WakeWaiters();
}

void DownloadWorker::RequestDelete() {
  discardPartial_ = true;
  RequestStop();
}

void DownloadWorker::RequestDeleteWaiting() {
  discardPartial_ = true;
  RequestStopWaiting();
}

void DownloadWorker::Report(core::Msg message, const std::string& text) {
  // Posted: the transfer goes on while the owner is busy. The end report is sent
  // after every post, so these run first.
  DownloadEvents& events = context_.events;
  context_.channel.Post(message, [&events, message, id = id_, text] { events.OnWorkerReport(message, id, text); });
}

void DownloadWorker::Run() {
  lastWaitResult_ = kStillWaiting;
  const bool holdsSlot = context_.slotPool.Acquire(leaveQueue_);
  if (holdsSlot) lastWaitResult_ = kHoldsSlot;
  const bool completed = holdsSlot && !leaveQueue_.load() && RunTransfer();
  core::Msg end = core::Msg::DownloadCompleted;
  if (!completed) end = discardPartial_.load() ? core::Msg::DownloadEndedDelete : core::Msg::DownloadEndedKeep;
  context_.channel.Send(end, [&] { context_.events.OnWorkerEnded(end, std::move(task_)); });
  exited_ = true;
}

bool DownloadWorker::RunTransfer() {
  if (stop_.requested()) return false;
  net::SessionSettings settings = context_.session;
  settings.bufferSize = std::min(settings.bufferSize, ChunkSizeFor(context_.maxDownloadSpeed.load()));
  net::CurlSession session(settings);
  const TransferContext transfer{context_.texts, context_.maxDownloadSpeed};
  return download::RunTransfer(*task_, session, stop_, transfer,
                               [this](core::Msg message, const std::string& text) { Report(message, text); });
}

}  // namespace vexon::download
