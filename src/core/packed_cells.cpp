#include "core/packed_cells.h"

#include <cstring>

namespace vexon::core {
namespace {

void Put(std::string& block, size_t at, uint32_t value) {
  std::memcpy(block.data() + at, &value, sizeof value);
}

uint32_t Get(const std::string& block, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, block.data() + at, sizeof value);
  return value;
}

// The block of `cells`: their count, each one's end counted from the first byte
// after the header, then the bytes.
template <typename Cells>
std::string Pack(const Cells& cells) {
  const size_t header = sizeof(uint32_t) * (cells.size() + 1);
  size_t bytes = 0;
  for (const auto& cell : cells) bytes += cell.size();
  std::string block(header, '\0');
  block.reserve(header + bytes);
  Put(block, 0, static_cast<uint32_t>(cells.size()));
  uint32_t end = 0;
  for (size_t i = 0; i < cells.size(); ++i) {
    end += static_cast<uint32_t>(cells[i].size());
    Put(block, sizeof(uint32_t) * (i + 1), end);
    block.append(cells[i].data(), cells[i].size());
  }
  return block;
}

}  // namespace

PackedCells::PackedCells(const std::vector<std::string>& cells) : block_(Pack(cells)) {}

size_t PackedCells::size() const {
  return block_.empty() ? 0 : Get(block_, 0);
}

uint32_t PackedCells::EndOf(size_t index) const {
  return Get(block_, sizeof(uint32_t) * (index + 1));
}

std::string_view PackedCells::operator[](size_t index) const {
  if (index >= size()) return {};
  const uint32_t begin = index == 0 ? 0 : EndOf(index - 1);
  return std::string_view(block_).substr(HeaderSize() + begin, EndOf(index) - begin);
}

void PackedCells::Set(size_t index, std::string_view value) {
  const size_t count = size();
  if (index >= count) return;
  std::vector<std::string_view> cells(count);
  for (size_t i = 0; i < count; ++i) cells[i] = i == index ? value : (*this)[i];
  // Packed from views into the old block, so the old block stays until the new one
  // is whole.
  std::string block = Pack(cells);
  block_.swap(block);
}

}  // namespace vexon::core
