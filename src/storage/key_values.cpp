#include "storage/key_values.h"

#include "text/strings.h"

namespace vexon::storage {

KeyValues::KeyValues(const std::vector<std::pair<std::string, std::string>>& entries) {
  for (const auto& [key, value] : entries) Set(key, value);
}

std::vector<std::pair<std::string_view, std::string_view>> KeyValues::Pairs() const {
  std::vector<std::pair<std::string_view, std::string_view>> pairs;
  const std::string_view all(block_);
  size_t at = 0;
  while (at < all.size()) {
    const size_t keyEnd = all.find('\0', at);
    const size_t valueEnd = all.find('\0', keyEnd + 1);
    pairs.emplace_back(all.substr(at, keyEnd - at), all.substr(keyEnd + 1, valueEnd - keyEnd - 1));
    at = valueEnd + 1;
  }
  return pairs;
}

void KeyValues::Set(std::string_view key, std::string_view value) {
  for (const auto& [oldKey, oldValue] : Pairs()) {
    if (!text::EqualsNoCase(oldKey, key)) continue;
    const size_t begin = static_cast<size_t>(oldValue.data() - block_.data());
    block_.replace(begin, oldValue.size(), value);
    return;
  }
  block_.append(key).push_back('\0');
  block_.append(value).push_back('\0');
}

}  // namespace vexon::storage
