#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

#include "library/audio_tags.h"

namespace vexon::library {

// A file's size and modification time: while both stay, its tags are taken as
// unchanged.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type mtime{};

  bool operator==(const FileStamp&) const = default;
};

// Tags read earlier, by path, so the log reads a file again only after it changed.
// Used on the owner thread only.
class TagCache final {
 public:
  struct Entry {
    FileStamp stamp;
    std::optional<AudioTags> tags;  // nothing: the file is known to have none
  };

  // The entry for `path` when it was stored with this stamp; nothing when it was
  // never stored or the file has changed since.
  const Entry* Lookup(const std::filesystem::path& path, const FileStamp& stamp) const;
  // The entry for `path` whatever its stamp; nothing when never stored.
  const Entry* Find(const std::filesystem::path& path) const;
  // Replaces what was known of `path`. Pointers from Lookup and Find stay valid
  // only until the next Store or Clear.
  void Store(const std::filesystem::path& path, const FileStamp& stamp, std::optional<AudioTags> tags);
  void Clear() { entries_.clear(); }
  size_t size() const { return entries_.size(); }

 private:
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace vexon::library
