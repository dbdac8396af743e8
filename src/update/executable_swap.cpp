#include "update/executable_swap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace vexon::update {
namespace fs = std::filesystem;
namespace {

// Makes a copied file durable before it replaces anything.
bool SyncFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  return ::close(fd) == 0 && synced;
}

void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(fs::symlink_status(path, ec));
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace

bool MoveFileAllowingCopy(const fs::path& from, const fs::path& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  // Another file system: copy next to the target, then rename over it.
  fs::path staging = to;
  staging += ".incoming";
  std::error_code ec;
  fs::remove(staging, ec);
  const bool copied = fs::copy_file(from, staging, fs::copy_options::overwrite_existing, ec) && !ec;
  if (copied) {
    fs::permissions(staging, fs::status(from, ec).permissions() & fs::perms::all, ec);
  }
  if (!copied || !SyncFile(staging) || std::rename(staging.c_str(), to.c_str()) != 0) {
    fs::remove(staging, ec);
    return false;
  }
  SyncFolder(to.parent_path());
  fs::remove(from, ec);
  return true;
}

bool SwapExecutable(const fs::path& exe, const fs::path& newFile, const FileMove& move) {
  const fs::path backup = exe.parent_path() / kBackupFileName;
  // Only a real new file is swapped in, and never one that is the executable or
  // the backup itself (the backup is deleted below).
  if (!IsRegularFile(exe) || !IsRegularFile(newFile) || SameFile(exe, newFile) || SameFile(backup, newFile)) {
    return false;
  }
  std::error_code ec;
  const fs::perms bits = fs::status(exe, ec).permissions();
  if (ec) return false;
  fs::permissions(newFile, bits & fs::perms::all, fs::perm_options::replace, ec);
  if (ec) return false;

  fs::remove(backup, ec);  // a failure shows in the move below
  if (!move(exe, backup)) return false;
  if (move(newFile, exe)) {
    SyncFolder(exe.parent_path());
    return true;
  }
  move(backup, exe);
  return false;
}

}  // namespace vexon::update
