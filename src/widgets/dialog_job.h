#pragma once

#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <functional>

#include "core/background_job.h"

namespace vexon::widgets {

// Runs a dialog's network work on `job` and shows its outcome with `show` on the
// window's thread. `show` runs after the owner channel's handler has returned, as
// it may open a message box that waits for the user while downloads must keep
// reporting; it is dropped when `receiver` is gone or the job was cancelled.
template <typename Outcome>
bool StartDialogJob(core::BackgroundJob& job, QObject* receiver,
                    std::function<Outcome(const std::function<bool()>& stopRequested)> work,
                    std::function<void(Outcome)> show) {
  return job.Start([receiver, work = std::move(work),
                    show = std::move(show)](const std::atomic<bool>& cancelled) -> std::function<void()> {
    const Outcome outcome = work([&cancelled] { return cancelled.load(); });
    return [receiver, show, outcome] {
      QMetaObject::invokeMethod(
          receiver, [show, outcome] { show(outcome); }, Qt::QueuedConnection);
    };
  });
}

}  // namespace vexon::widgets
