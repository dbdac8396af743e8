#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexon::storage {

// The keys and values of one section's pending change, in one block ("key", NUL,
// "value", NUL, ...): thousands of queued download records wait for the settings
// file as one allocation each. Keys and values are writable, so they hold no NUL.
class KeyValues final {
 public:
  KeyValues() = default;
  explicit KeyValues(const std::vector<std::pair<std::string, std::string>>& entries);

  bool empty() const { return block_.empty(); }
  void clear() { std::string().swap(block_); }
  // Replaces the value of a key of the same name ignoring ASCII case (the key keeps
  // its first spelling), or appends the pair.
  void Set(std::string_view key, std::string_view value);
  // Every pair in the order first set.
  std::vector<std::pair<std::string_view, std::string_view>> Pairs() const;

 private:
  std::string block_;
};

}  // namespace vexon::storage
