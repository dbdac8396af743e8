#include "download/final_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "download/file_names.h"

namespace vexon::download {
namespace {

// Past this many numbered names something else is wrong with the folder.
constexpr unsigned kMaxNumberedNames = 9999;

}  // namespace

std::error_code RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  const int error = errno;
  if (error != EINVAL && error != ENOSYS && error != ENOTSUP) return {error, std::generic_category()};
  // A file system without the no-replace rename: check, then rename. Only another
  // program creating the name in between could still be replaced.
  struct stat status {};
  if (::lstat(to.c_str(), &status) == 0) return std::make_error_code(std::errc::file_exists);
  if (::rename(from.c_str(), to.c_str()) == 0) return {};
  return {errno, std::generic_category()};
}

FinalFile MoveToFreeName(const std::string& partialPath, const std::string& fullName,
                         const std::function<bool(const std::string&)>& reserved) {
  FinalFile result;
  for (unsigned n = 0; n <= kMaxNumberedNames; ++n) {
    const std::string candidate = n == 0 ? fullName : NumberedName(fullName, n);
    // The download's own name is never reserved against itself.
    if (n > 0 && reserved && reserved(candidate)) continue;
    const std::error_code error = RenameNoReplace(partialPath, candidate);
    if (!error) {
      result.path = candidate;
      return result;
    }
    if (error != std::errc::file_exists) {
      result.error = error;
      return result;
    }
  }
  result.error = std::make_error_code(std::errc::file_exists);
  return result;
}

uint64_t FileSizeOrZero(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  return static_cast<uint64_t>(status.st_size);
}

bool FileExists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

void RemoveFileQuietly(const std::string& path) {
  ::unlink(path.c_str());
}

}  // namespace vexon::download
