#pragma once

#include <optional>
#include <string>

namespace vexon::library {

// The steps a desktop takes to play a file of some type: its type from its name,
// the default application of that type, and the start of that application with
// the file's address. Each step may find nothing.
class Associations {
 public:
  virtual ~Associations() = default;
  // ".mp3" (leading dot, any letter case) -> "audio/mpeg"; nothing when only a guess.
  virtual std::optional<std::string> TypeForExtension(const std::string& extension) = 0;
  // "audio/mpeg" -> the id of its default application, e.g. "vlc.desktop".
  virtual std::optional<std::string> DefaultApplication(const std::string& type) = 0;
  // Starts the application with `url` as its one address: its whole command line,
  // flags and field codes expanded, never through a command shell.
  virtual bool Launch(const std::string& application, const std::string& url) = 0;
};

}  // namespace vexon::library
