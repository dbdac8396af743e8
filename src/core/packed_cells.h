#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::core {

// The cells of one list row in a single block: how many, where each ends, then
// their bytes. A list of thousands of rows of a dozen columns holds each row in one
// allocation instead of a dozen strings.
class PackedCells final {
 public:
  PackedCells() = default;
  explicit PackedCells(const std::vector<std::string>& cells);

  size_t size() const;
  // Empty past the last cell.
  std::string_view operator[](size_t index) const;
  // Rewrites the block: a row's cells change far less often than they are read.
  void Set(size_t index, std::string_view value);

 private:
  uint32_t EndOf(size_t index) const;
  size_t HeaderSize() const { return sizeof(uint32_t) * (size() + 1); }

  std::string block_;
};

}  // namespace vexon::core
