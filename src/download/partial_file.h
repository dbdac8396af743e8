#pragma once

#include <cstdint>
#include <string>

namespace vexon::download {

// The partial file a worker writes: opened for writing, locked against a second
// writer (another process resuming the same download), cut to the resume offset.
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
  // Writes all of `data`; false with errno's value in `error`.
  bool Write(const char* data, size_t size, int& error);
  void Close();
  bool isOpen() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace vexon::download
