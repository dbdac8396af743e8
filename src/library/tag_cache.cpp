#include "library/tag_cache.h"

#include <utility>

namespace vexon::library {

const TagCache::Entry* TagCache::Lookup(const std::filesystem::path& path, const FileStamp& stamp) const {
  const Entry* entry = Find(path);
  return entry != nullptr && entry->stamp == stamp ? entry : nullptr;
}

const TagCache::Entry* TagCache::Find(const std::filesystem::path& path) const {
  const auto it = entries_.find(path.string());
  return it == entries_.end() ? nullptr : &it->second;
}

void TagCache::Store(const std::filesystem::path& path, const FileStamp& stamp, std::optional<AudioTags> tags) {
  entries_.insert_or_assign(path.string(), Entry{stamp, std::move(tags)});
}

}  // namespace vexon::library
