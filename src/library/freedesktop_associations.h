#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "library/associations.h"

namespace vexon::library {

// The freedesktop.org base directories the lookups search, highest priority first.
struct XdgDirs {
  std::filesystem::path configHome;               // $XDG_CONFIG_HOME or ~/.config
  std::vector<std::filesystem::path> configDirs;  // $XDG_CONFIG_DIRS or /etc/xdg
  std::filesystem::path dataHome;                 // $XDG_DATA_HOME or ~/.local/share
  std::vector<std::filesystem::path> dataDirs;    // $XDG_DATA_DIRS or /usr/local/share:/usr/share
  std::vector<std::string> desktops;              // $XDG_CURRENT_DESKTOP split on ':', lower-cased
  // Reads the variables with those defaults (HOME for ~). Relative paths in the
  // variables are ignored, as the base directory rules require.
  static XdgDirs FromEnvironment();
};

// The arguments of a desktop entry's Exec value, its string escapes (backslash-s,
// double backslash and so on) already undone: split on blanks, double-quoted
// arguments unquoted (a backslash before " ` $ or a backslash keeps that character),
// field codes %f %F %u %U %d %D %n %N %i %c %k %v %m removed (an argument that was
// only field codes disappears) and %% turned into %. An unclosed quote makes the
// line unusable: the result is then empty.
std::vector<std::string> SplitExecLine(const std::string& exec);

// Answers the three questions from shared-mime-info glob files, mimeapps.list
// files, mimeinfo.cache files and desktop entries under the given directories.
// Nothing is cached: each call reads the files again, so newly installed programs
// are seen. Every file read is capped at 4 MiB; a larger or unreadable file counts
// as absent.
class FreedesktopAssociations final : public Associations {
 public:
  explicit FreedesktopAssociations(XdgDirs dirs);

  std::optional<std::string> TypeForExtension(const std::string& extension) override;
  std::optional<std::string> DefaultApplication(const std::string& type) override;
  std::optional<std::string> Executable(const std::string& application) override;

 private:
  std::vector<std::filesystem::path> ConfigRoots() const;
  std::vector<std::filesystem::path> DataRoots() const;
  std::vector<std::filesystem::path> ApplicationDirs() const;

  XdgDirs dirs_;
};

}  // namespace vexon::library
