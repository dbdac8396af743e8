#pragma once

#include <optional>
#include <string>

namespace vexon::library {

// Extension -> file type -> default application -> its executable, the steps a
// desktop takes to choose the program that opens a file. Each step may find nothing.
class Associations {
 public:
  virtual ~Associations() = default;
  // ".mp3" (leading dot, any letter case) -> "audio/mpeg".
  virtual std::optional<std::string> TypeForExtension(const std::string& extension) = 0;
  // "audio/mpeg" -> the desktop id of its default application, e.g. "vlc.desktop".
  virtual std::optional<std::string> DefaultApplication(const std::string& type) = 0;
  // "vlc.desktop" -> the program its Exec line starts, e.g. "/usr/bin/vlc" or "vlc".
  virtual std::optional<std::string> Executable(const std::string& application) = 0;
};

}  // namespace vexon::library
