#pragma once

#include <algorithm>
#include <utility>
#include <vector>

namespace vexon::core {

// The listeners of one kind that a controller calls, in the order they subscribed.
// A front end subscribes what it needs and keeps the subscription as long as it
// listens; none can undo another's wiring. Owner thread only.
template <class Listener>
class Subscribers final {
 public:
  // Ends its listener's calls when it goes; it must not outlive the subscribers.
  class [[nodiscard]] Subscription final {
   public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept
        : owner_(std::exchange(other.owner_, nullptr)), listener_(other.listener_) {}
    Subscription& operator=(Subscription&& other) noexcept {
      if (this != &other) {
        Reset();
        owner_ = std::exchange(other.owner_, nullptr);
        listener_ = other.listener_;
      }
      return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { Reset(); }

    void Reset() {
      if (owner_ != nullptr) std::erase(owner_->listeners_, listener_);
      owner_ = nullptr;
    }

   private:
    friend class Subscribers;
    Subscription(Subscribers* owner, Listener* listener) : owner_(owner), listener_(listener) {}
    Subscribers* owner_ = nullptr;
    Listener* listener_ = nullptr;
  };

  Subscribers() = default;
  Subscribers(const Subscribers&) = delete;
  Subscribers& operator=(const Subscribers&) = delete;

  Subscription Subscribe(Listener& listener) {
    listeners_.push_back(&listener);
    return Subscription(this, &listener);
  }

  // Calls `call(listener)` for each; one that unsubscribes meanwhile is not called
  // again, one that subscribes meanwhile is called from the next time.
  template <class Call>
  void Notify(Call&& call) const {
    const std::vector<Listener*> now = listeners_;
    for (Listener* listener : now) {
      if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) call(*listener);
    }
  }

 private:
  std::vector<Listener*> listeners_;
};

}  // namespace vexon::core
