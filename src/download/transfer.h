#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "core/message_ids.h"
#include "download/download_task.h"
#include "download/download_texts.h"
#include "net/curl_session.h"
#include "net/stop_signal.h"

namespace vexon::download {

// What a transfer reads while it runs.
struct TransferContext {
  const DownloadTexts& texts;
  // KB/s per file, 0 = no limit; re-read after every chunk.
  const std::atomic<unsigned>& maxDownloadSpeed;
};

// Progress, status and failure texts of one download, in the order they happen.
using TransferReport = std::function<void(core::Msg, const std::string&)>;

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
                 const TransferReport& report);

}  // namespace vexon::download
