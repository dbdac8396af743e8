#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace vexon::net {

// At most `slots` requests at once to one host that asks for restraint. A waiter
// looks at its stop predicate every few tens of milliseconds.
class RequestGate final {
 public:
  explicit RequestGate(int slots) : free_(slots) {}

  // False when stopped before a slot came free.
  bool Enter(const std::function<bool()>& stopped);
  void Leave();

 private:
  std::mutex mutex_;  // guards free_
  std::condition_variable freed_;
  int free_;
};

// Holds a slot of a gate (none when the gate is null) for its own lifetime.
class GatePass final {
 public:
  GatePass(RequestGate* gate, const std::function<bool()>& stopped)
      : gate_(gate), entered_(gate == nullptr || gate->Enter(stopped)) {}
  ~GatePass() {
    if (gate_ != nullptr && entered_) gate_->Leave();
  }
  GatePass(const GatePass&) = delete;
  GatePass& operator=(const GatePass&) = delete;
  bool entered() const { return entered_; }

 private:
  RequestGate* gate_;
  bool entered_;
};

}  // namespace vexon::net
