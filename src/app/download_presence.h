#pragma once

#include "core/desktop_progress.h"
#include "download/download_controller.h"

namespace vexon::app {

// What the desktop shows of running downloads outside the window: their count and
// overall progress on the launcher icon, and a hold on suspending while any runs.
// Owner thread only.
class DownloadPresence final : private download::DownloadListener {
 public:
  DownloadPresence(download::DownloadController& downloads, core::LauncherProgress& launcher,
                   core::SleepInhibitor& inhibitor);
  // Gives both up: nothing of this program stays on the desktop.
  ~DownloadPresence();
  DownloadPresence(const DownloadPresence&) = delete;
  DownloadPresence& operator=(const DownloadPresence&) = delete;

  // For a slow timer, and after every transfer's end.
  void Refresh();

 private:
  void TransferEnded() override { Refresh(); }

  download::DownloadController& downloads_;
  core::LauncherProgress& launcher_;
  core::SleepInhibitor& inhibitor_;
  download::DownloadController::Subscription subscription_;
  bool shown_ = false;
};

}  // namespace vexon::app
