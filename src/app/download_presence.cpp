#include "app/download_presence.h"

namespace vexon::app {

DownloadPresence::DownloadPresence(download::DownloadController& downloads, core::LauncherProgress& launcher,
                                   core::SleepInhibitor& inhibitor)
    : downloads_(downloads), launcher_(launcher), inhibitor_(inhibitor) {
  subscription_ = downloads.Subscribe(*this);
}

DownloadPresence::~DownloadPresence() {
  if (shown_) launcher_.Clear();
  inhibitor_.Release();
}

void DownloadPresence::Refresh() {
  // A download waiting for its slot keeps the machine awake too: it runs next.
  if (downloads_.liveWorkerCount() > 0) {
    inhibitor_.Hold();
  } else {
    inhibitor_.Release();
  }
  const download::DownloadController::Progress progress = downloads_.RunningProgress();
  if (progress.running == 0) {
    if (shown_) launcher_.Clear();
    shown_ = false;
    return;
  }
  const double fraction =
      progress.total == 0 ? 0.0 : static_cast<double>(progress.received) / static_cast<double>(progress.total);
  launcher_.Show(fraction, progress.running);
  shown_ = true;
}

}  // namespace vexon::app
