#include "download/partial_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

namespace vexon::download {
namespace {

constexpr uint64_t kPage = 4096;

// Writes the two pieces whole, resuming after short writes; false with errno.
bool WriteBoth(int fd, iovec (&pieces)[2], int& error) {
  iovec* next = pieces;
  int count = 2;
  while (count > 0) {
    if (next->iov_len == 0) {
      ++next, --count;
      continue;
    }
    const ssize_t n = ::writev(fd, next, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    auto done = static_cast<size_t>(n);
    while (count > 0 && done >= next->iov_len) {
      done -= next->iov_len;
      ++next, --count;
    }
    if (count > 0) {
      next->iov_base = static_cast<char*>(next->iov_base) + done;
      next->iov_len -= done;
    }
  }
  return true;
}

}  // namespace

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
  written_ = offset;
  broken_ = false;
  tail_.clear();
  tail_.reserve(kPage);
  return true;
}

bool PartialFile::Restart(int& error) {
  tail_.clear();
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) < 0) {
    error = errno;
    return false;
  }
  written_ = 0;
  broken_ = false;
  return true;
}

bool PartialFile::Write(const char* data, size_t size, int& error) {
  if (broken_) return (error = EIO), false;
  const uint64_t end = written_ + tail_.size() + size;
  const uint64_t pageEnd = end - end % kPage;
  if (pageEnd <= written_) {
    tail_.insert(tail_.end(), data, data + size);
    return true;
  }
  // The waiting tail and the head of `data` up to the last whole page, in one call.
  const auto fromData = static_cast<size_t>(pageEnd - written_ - tail_.size());
  iovec pieces[2] = {{tail_.data(), tail_.size()}, {const_cast<char*>(data), fromData}};
  if (!WriteBoth(fd_, pieces, error)) return Broken();
  written_ = pageEnd;
  tail_.assign(data + fromData, data + size);
  return true;
}

bool PartialFile::Flush(int& error) {
  if (broken_) return (error = EIO), false;
  if (tail_.empty()) return true;
  iovec pieces[2] = {{tail_.data(), tail_.size()}, {nullptr, 0}};
  if (!WriteBoth(fd_, pieces, error)) return Broken();
  written_ += tail_.size();
  tail_.clear();
  return true;
}

bool PartialFile::Broken() {
  // Part of a failed write may have landed: what the file holds is still a prefix
  // of the body, but the tail no longer follows it.
  tail_.clear();
  broken_ = true;
  return false;
}

void PartialFile::Close() {
  if (fd_ < 0) return;
  int ignored = 0;
  if (!broken_) Flush(ignored);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace vexon::download
