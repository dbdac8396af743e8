#pragma once

#include <filesystem>
#include <functional>

namespace vexon::update {

// The previous executable's name beside the new one after an update.
inline constexpr const char* kBackupFileName = "OldExecutable.bak";

// Moves `from` to `to`, replacing it; true when `to` holds the file.
using FileMove = std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)>;

// A rename, or across file systems a copy beside `to` (then renamed over it, so
// `to` is never half written) followed by removing `from`.
bool MoveFileAllowingCopy(const std::filesystem::path& from, const std::filesystem::path& to);

// Puts `newFile` in the place of `exe` and keeps the old one as kBackupFileName in
// exe's folder (an older backup is deleted). The new file gets the read, write and
// execute bits of the old one first. When the new file cannot be moved in, the
// backup is moved back, so the program is never left without its executable.
// `move` is the move used for each step (tests make one step fail).
bool SwapExecutable(const std::filesystem::path& exe, const std::filesystem::path& newFile,
                    const FileMove& move = MoveFileAllowingCopy);

}  // namespace vexon::update
