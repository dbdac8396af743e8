#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vexon::library {

// The playlist that plays several downloaded files, in the start-up directory.
inline constexpr const char* kPlaylistFileName = "re3roz_temp.M3U";

struct PlaylistEntry {
  std::string fileName;
  std::string fullPath;
};

// "#EXTM3U", then per entry "#EXTINF:0," + file name, the full path and an empty
// line, each ended by CR LF. Paths stay as the file system names them (UTF-8). A
// line break inside a text is dropped, so no name can add entries of its own.
std::string PlaylistText(const std::vector<PlaylistEntry>& entries);

// Writes the playlist over any earlier one; false when it cannot be written.
bool WritePlaylist(const std::filesystem::path& path, const std::vector<PlaylistEntry>& entries);

}  // namespace vexon::library
