#include "download/partial_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vexon::download {

PartialFile::~PartialFile() {
  Close();
}

bool PartialFile::Open(const std::string& path, bool resume, uint64_t& offset, int& error) {
  Close();
  offset = 0;
  // No O_TRUNC: the file is cut only once the lock shows nobody else writes it.
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) {
    error = errno;
    return false;
  }
  // Two writers of one partial file would interleave their bytes. The length is
  // read only under the lock: a file cut or replaced while its row waited is
  // continued from what it really holds, never padded.
  struct stat status {};
  bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (ok && resume) {
    ok = ::fstat(fd, &status) == 0;
    if (ok) offset = static_cast<uint64_t>(status.st_size);
  } else if (ok) {
    ok = ::ftruncate(fd, 0) == 0;
  }
  if (!ok || ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    error = errno;
    offset = 0;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool PartialFile::Restart(int& error) {
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) < 0) {
    error = errno;
    return false;
  }
  return true;
}

bool PartialFile::Write(const char* data, size_t size, int& error) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void PartialFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace vexon::download
