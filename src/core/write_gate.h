#pragma once

#include <cstdint>
#include <functional>

namespace vexon::core {

// Lets a thread wait for writes that another thread makes, such as the settings
// file's records that must be on disk before a download writes its first byte.
class WriteGate {
 public:
  virtual ~WriteGate() = default;
  // Blocks until every write queued up to `ticket` has been made (true) or its
  // attempt failed (false). Also false once `stopped` says so after a Wake().
  virtual bool WaitWritten(uint64_t ticket, const std::function<bool()>& stopped) = 0;
  // Makes every waiter ask its `stopped` again. Any thread.
  virtual void Wake() = 0;
};

}  // namespace vexon::core
