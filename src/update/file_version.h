#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vexon::update {

// Every build carries its version in its executable as this marker, the dotted
// version and a NUL, the way a file-version record travels with a program file: the
// update compares the site's version with the file it would replace, not with the
// process that runs, so a file already updated is never fetched again.
inline constexpr std::string_view kFileVersionMarker = "\x7fVexonFileVersion:";

// The stamp text (VersionStampTextOf) of the first well-formed marker in the file;
// empty when the file has none or cannot be read. Only the first kMaxScanBytes count.
std::string ReadFileVersion(const std::filesystem::path& file);
inline constexpr size_t kMaxScanBytes = 256u << 20;

// The marker record this build carries.
std::string_view OwnFileVersionRecord();

}  // namespace vexon::update
