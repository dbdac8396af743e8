#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace vexon::core {

enum class ReadStatus { kOk, kMissing, kTooLarge, kNotRegular, kError };

struct FileBytes {
  ReadStatus status = ReadStatus::kError;
  std::string bytes;
  int error = 0;  // errno of a failed open or read
};

// Reads a whole regular file of at most `maxBytes`. FIFOs and devices are refused
// without being opened for blocking reads, so a strange file never hangs the caller.
FileBytes ReadWholeFile(const std::filesystem::path& path, size_t maxBytes);

// A one-line reason for a failed read, for messages.
std::string DescribeReadFailure(const FileBytes& result);

// Replaces `path` by `bytes`: a temp file in the same folder, fsync, rename over the
// old file, fsync of the folder. A crash at any moment leaves the old or the new file.
// The new file keeps the permission bits of the one it replaces, and a file the
// process may not write is not replaced. On failure the old file is untouched, the
// temp file is removed and `error` (when given) says why.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr);

// Removes temp files that an interrupted ReplaceFileAtomically left beside `path`.
// Only safe while no other writer of `path` can be running (under its FileLock).
void RemoveLeftoverTempFiles(const std::filesystem::path& path);

// An exclusive advisory lock (flock) on "<path>.lock", held for the object's life.
// The lock sits on a file of its own because `path` itself is replaced by rename,
// which would leave a lock on the old inode behind.
class FileLock final {
 public:
  explicit FileLock(const std::filesystem::path& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool locked() const { return locked_; }

 private:
  int fd_ = -1;
  bool locked_ = false;
};

}  // namespace vexon::core
