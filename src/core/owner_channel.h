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
};

}  // namespace vexon::core
