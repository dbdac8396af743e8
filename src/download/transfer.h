#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "download/download_task.h"
#include "download/transfer_report.h"
#include "net/curl_session.h"
#include "net/stop_signal.h"

namespace vexon::download {

// What a transfer reads while it runs.
struct TransferContext {
  // KB/s per file, 0 = no limit; re-read after every chunk.
  const std::atomic<unsigned>& maxDownloadSpeed;
};

// Steps, progress and the failure of one download, in the order they happen.
using TransferReporter = std::function<void(const TransferReport&)>;

// The session settings of download requests.
net::SessionSettings DownloadSessionSettings();
// The largest chunk a download session should hand over: small under a rate limit,
// so it is kept closely; large without one, so each byte costs less.
long ChunkSizeFor(unsigned maxDownloadSpeed);

// Fetches the task's URL into its partial file on the calling thread through
// `session` (whose connection may be kept from an earlier download): resumes after
// what the partial file holds with a Range request, keeps to the rate limit and
// reports progress. True when the partial file holds the whole resource; after a
// failure it has reported why, and the partial file keeps what arrived. A restart
// from 0 empties the file only with the first byte of the body that replaces it.
bool RunTransfer(DownloadTask& task, net::CurlSession& session, net::StopSignal& stop, const TransferContext& context,
                 const TransferReporter& report);

}  // namespace vexon::download
