#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/ini_document.h"
#include "storage/key_values.h"

namespace vexon::storage {

// One settings file read and written by the private-profile operations (the rules
// are IniDocument's). A missing, unreadable or oversized file reads as empty.
//
// Every write is a read-modify-write of the file as it is on disk at that moment,
// under an exclusive advisory lock shared with other processes, and replaces the
// file atomically; so a crash never leaves a torn file, and two processes writing
// the same file never lose each other's keys. A write that would change nothing
// leaves the file alone. A file that exists but cannot be read or is oversized is
// never written over.
class Profile final {
 public:
  using Entries = std::vector<std::pair<std::string, std::string>>;

  // Larger settings files are treated as damaged: read as empty, never rewritten.
  static constexpr size_t kMaxFileBytes = 16u << 20;

  explicit Profile(std::filesystem::path file);

  const std::filesystem::path& path() const { return path_; }

  uint32_t GetInt(std::string_view section, std::string_view key, uint32_t defaultValue) const;
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                        size_t bufferSize) const;
  std::vector<std::string> SectionNames(size_t bufferSize) const;
  // The file as it is now, for many reads that must agree with each other.
  std::shared_ptr<const IniDocument> Read() const;

  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Several keys of one section in a single replacement of the file: all or none.
  bool WriteStrings(std::string_view section, const Entries& entries);
  bool RemoveSection(std::string_view section);

  // One section's change within a batch: with `removeFirst` the section goes (with
  // every key), then the keys `compose` makes of the file as it is on disk at that
  // moment are set, then `entries`. `compose` runs under the file's lock, so what
  // another process wrote meanwhile is in what it reads.
  struct SectionEdit {
    std::string section;
    bool removeFirst = false;
    KeyValues entries;
    std::function<Entries(const IniDocument& onDisk)> compose;
  };
  // A deque: thousands of queued records are never copied at once to grow it.
  using SectionEdits = std::deque<SectionEdit>;
  // Many sections' changes in a single replacement of the file: all or none.
  // Sections and keys must be writable (checked before they are queued).
  bool Apply(const SectionEdits& edits);

 private:
  struct Snapshot {
    bool readable = false;  // false: the file exists but must not be written over
    std::shared_ptr<const IniDocument> document;
    // The bytes read, known by length and hash (see the cache below): a write that
    // would give them again is left out.
    size_t size = 0;
    size_t hash = 0;
  };
  Snapshot Load() const;
  // The document to edit: the cached one itself when nobody else holds it (it leaves
  // the cache until the edit is written), else a copy.
  std::shared_ptr<IniDocument> TakeForEdit(Snapshot& snapshot);
  bool Update(const std::function<bool(IniDocument&)>& edit);

  std::filesystem::path path_;
  // Parsing is skipped when the bytes on disk are those parsed last. They are known
  // by their length and hash rather than kept: another file of the same length and
  // 64-bit hash does not come about by chance, and the settings file of thousands
  // of records is then held once, as its document.
  mutable std::mutex cacheMutex_;
  mutable size_t cachedSize_ = 0;
  mutable size_t cachedHash_ = 0;
  mutable std::shared_ptr<IniDocument> cachedDocument_;
  std::mutex leftoversMutex_;  // writers on several threads
  bool leftoversRemoved_ = false;
};

}  // namespace vexon::storage
