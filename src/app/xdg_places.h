#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vexon::app {

// Where the program keeps its files when started from the desktop menu: the
// start-up directory (settings file, result files, word list, playlist) and the
// default download folder.
struct XdgPlaces {
  std::filesystem::path dataDir;      // $XDG_DATA_HOME/vexon, else ~/.local/share/vexon
  std::filesystem::path downloadDir;  // "Vexon" in the user's download folder
};

// Looks the places up in the environment (`env` returns a variable's value or
// null). The download folder is XDG_DOWNLOAD_DIR from user-dirs.dirs (in
// $XDG_CONFIG_HOME, else ~/.config), else ~/Downloads. False, with `error`, when
// HOME is not an absolute path.
bool FindXdgPlaces(const std::function<const char*(const char*)>& env, XdgPlaces& out, std::string& error);

// XDG_DOWNLOAD_DIR of a user-dirs.dirs text, with "$HOME" expanded; empty when the
// line is missing or is neither "$HOME/..." nor an absolute path in quotes.
std::filesystem::path DownloadDirFromUserDirs(std::string_view text, const std::filesystem::path& home);

// Makes both folders (with their parents). False, with `error` naming the folder
// and the reason, when one cannot be made or written.
bool PrepareXdgPlaces(const XdgPlaces& places, std::string& error);

}  // namespace vexon::app
