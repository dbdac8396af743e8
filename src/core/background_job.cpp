#include "core/background_job.h"

#include <system_error>
#include <utility>

namespace vexon::core {

BackgroundJob::BackgroundJob(OwnerChannel& channel) : channel_(channel) {}

BackgroundJob::~BackgroundJob() {
  cancelled_ = true;
  if (thread_.joinable()) thread_.join();
}

bool BackgroundJob::Start(Work work) {
  if (running_) return false;
  // The last job's end has been handled, so its thread has no more to do.
  if (thread_.joinable()) thread_.join();
  cancelled_ = false;
  try {
    thread_ = std::thread([this, work = std::move(work)] {
      const std::function<void()> done = work(cancelled_);
      channel_.Send(Msg::BackgroundJobEnded, [&] {
        running_ = false;
        if (done && !cancelled_) done();
        if (onEnded) onEnded();
      });
    });
  } catch (const std::system_error&) {
    return false;
  }
  running_ = true;
  return true;
}

void BackgroundJob::Cancel() {
  cancelled_ = true;
}

}  // namespace vexon::core
