#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexon::download {

// The partial file a worker writes: opened for writing, locked against a second
// writer (another process resuming the same download), cut to the resume offset.
// Bytes reach the file in whole pages: a write that ends inside a page makes the
// file system zero and merge that page again on the next write, which costs more
// than the copy. The last piece of a page waits in memory until the page is full
// or the file is flushed.
class PartialFile final {
 public:
  PartialFile() = default;
  ~PartialFile();
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  // Opens (creating) and locks the file. With `resume` it keeps every byte and
  // `offset` is its length as found under the lock; otherwise it is emptied and
  // `offset` is 0. False with errno's value in `error`.
  bool Open(const std::string& path, bool resume, uint64_t& offset, int& error);
  // Empties the file and writes from its start again.
  bool Restart(int& error);
  // Takes all of `data`; false with errno's value in `error`.
  bool Write(const char* data, size_t size, int& error);
  // Writes what still waits in memory.
  bool Flush(int& error);
  // Flushes what it can and closes: a stopped download keeps every byte it got.
  void Close();
  bool isOpen() const { return fd_ >= 0; }
  // What the file holds, the bytes still in memory counted.
  uint64_t length() const { return written_ + tail_.size(); }

 private:
  bool Broken();

  int fd_ = -1;
  bool broken_ = false;
  uint64_t written_ = 0;    // the file's length: where the next write lands
  std::vector<char> tail_;  // bytes after it, less than a page
};

}  // namespace vexon::download
