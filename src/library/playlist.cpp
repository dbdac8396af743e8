#include "library/playlist.h"

#include "core/atomic_file.h"

namespace vexon::library {
namespace {

constexpr const char* kLineEnd = "\r\n";

std::string OneLine(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') line += c;
  }
  return line;
}

}  // namespace

std::string PlaylistText(const std::vector<PlaylistEntry>& entries) {
  std::string text = std::string("#EXTM3U") + kLineEnd;
  for (const PlaylistEntry& entry : entries) {
    text += "#EXTINF:0," + OneLine(entry.fileName) + kLineEnd;
    text += OneLine(entry.fullPath) + kLineEnd;
    text += kLineEnd;
  }
  return text;
}

bool WritePlaylist(const std::filesystem::path& path, const std::vector<PlaylistEntry>& entries) {
  return core::ReplaceFileAtomically(path, PlaylistText(entries));
}

}  // namespace vexon::library
