#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

namespace vexon::download {

// Renames `from` to `to` unless `to` exists; an existing target gives
// std::errc::file_exists and is never replaced.
std::error_code RenameNoReplace(const std::string& from, const std::string& to);

struct FinalFile {
  std::string path;       // the name the file really has; empty on failure
  std::error_code error;  // why the partial file could not be given a name
};

// Gives a completed partial file its final name, or "name(1).ext", "name(2).ext", ...
// when that is taken on disk or `reserved` (another download's target) says so.
FinalFile MoveToFreeName(const std::string& partialPath, const std::string& fullName,
                         const std::function<bool(const std::string&)>& reserved);

// The file's size in bytes, 0 when it does not exist.
uint64_t FileSizeOrZero(const std::string& path);
bool FileExists(const std::string& path);
// Deletes a file; a missing file or a failure is ignored.
void RemoveFileQuietly(const std::string& path);

}  // namespace vexon::download
