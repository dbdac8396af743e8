#pragma once

#include <functional>

#include "core/message_ids.h"

namespace vexon::core {

// How a worker reports to the thread that owns lists, records and settings. The
// handler runs on the owner thread under the owner's lock while the sender waits.
class OwnerChannel {
 public:
  virtual ~OwnerChannel() = default;
  // Returns false without running `handler` once shutdown has begun (also for a
  // sender that was already waiting). Called on the owner thread itself, the
  // handler runs directly.
  virtual bool Send(Msg message, const std::function<void()>& handler) = 0;
  // Queues `handler` for the owner thread and returns at once, for reports that
  // need no answer. Handlers sent and posted by one thread run in the order given;
  // once shutdown has begun they are dropped.
  virtual void Post(Msg message, std::function<void()> handler) = 0;
};

}  // namespace vexon::core
