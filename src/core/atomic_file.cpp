#include "core/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

#include "text/strings.h"

namespace vexon::core {
namespace {

std::string ErrnoText(int error) {
  return std::strerror(error);
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

std::string TempPrefix(const std::filesystem::path& path) {
  return "." + path.filename().string() + ".tmp-";
}

std::string RandomSuffix() {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 generator{std::random_device{}()};
  const unsigned value = generator() ^ (counter.fetch_add(1) * 2654435761u);
  return text::Format("%d-%08x", static_cast<int>(getpid()), value);
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

FileBytes ReadWholeFile(const std::filesystem::path& path, size_t maxBytes) {
  FileBytes result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    result.error = errno;
    result.status = errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kError;
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    result.error = errno;
    ::close(fd);
    return result;
  }
  if (!S_ISREG(st.st_mode)) {
    result.status = ReadStatus::kNotRegular;
    result.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return result;
  }
  if (static_cast<uint64_t>(st.st_size) > maxBytes) {
    result.status = ReadStatus::kTooLarge;
    result.error = EFBIG;
    ::close(fd);
    return result;
  }
  // The size is a hint only: the file may grow while it is read, so read to the end
  // and stop once it passes the limit.
  result.bytes.resize(static_cast<size_t>(st.st_size) + 1);
  size_t have = 0;
  while (true) {
    if (have == result.bytes.size()) {
      if (have > maxBytes) break;
      result.bytes.resize(std::min(maxBytes + 1, have * 2 + 4096));
    }
    const ssize_t n = ::read(fd, result.bytes.data() + have, result.bytes.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      result.error = errno;
      ::close(fd);
      result.bytes.clear();
      return result;
    }
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  ::close(fd);
  if (have > maxBytes) {
    result.bytes.clear();
    result.status = ReadStatus::kTooLarge;
    result.error = EFBIG;
    return result;
  }
  result.bytes.resize(have);
  result.status = ReadStatus::kOk;
  return result;
}

std::string DescribeReadFailure(const FileBytes& result) {
  switch (result.status) {
    case ReadStatus::kOk: return {};
    case ReadStatus::kTooLarge: return "file too large";
    case ReadStatus::kNotRegular: return result.error == EISDIR ? ErrnoText(EISDIR) : "not a regular file";
    case ReadStatus::kMissing:
    case ReadStatus::kError: break;
  }
  return ErrnoText(result.error != 0 ? result.error : EIO);
}

bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string* error) {
  const std::filesystem::path folder = FolderOf(path);
  auto fail = [&](const std::string& what, int code) {
    if (error) *error = what + ": " + ErrnoText(code);
    return false;
  };

  // An existing file keeps its permission bits; a new one gets 0666 less the umask.
  struct stat old {};
  const bool hadFile = ::stat(path.c_str(), &old) == 0;
  if (hadFile && S_ISDIR(old.st_mode)) return fail(path.string(), EISDIR);
  // Rename would replace a file we may not write; refuse as a plain write would.
  if (hadFile && ::access(path.c_str(), W_OK) != 0) return fail(path.string(), errno);

  std::filesystem::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = folder / (TempPrefix(path) + RandomSuffix());
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST) return fail(temp.string(), errno);
  }
  if (fd < 0) return fail(temp.string(), EEXIST);

  int code = 0;
  if (hadFile && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
  if (!WriteAll(fd, bytes)) {
    code = errno;
  } else if (::fsync(fd) != 0) {
    code = errno;
  }
  if (::close(fd) != 0 && code == 0) code = errno;
  if (code == 0 && ::rename(temp.c_str(), path.c_str()) != 0) code = errno;
  if (code != 0) {
    ::unlink(temp.c_str());
    return fail(path.string(), code);
  }
  SyncFolder(folder);
  return true;
}

void RemoveLeftoverTempFiles(const std::filesystem::path& path) {
  const std::filesystem::path folder = FolderOf(path);
  const std::string prefix = TempPrefix(path);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    if (text::StartsWith(entry->d_name, prefix)) names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  for (const std::string& name : names) ::unlink((folder / name).c_str());
}

FileLock::FileLock(const std::filesystem::path& path) {
  std::filesystem::path lockPath = path;
  lockPath += ".lock";
  fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) return;
  }
  locked_ = true;
}

FileLock::~FileLock() {
  // Closing the descriptor releases the lock.
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace vexon::core
