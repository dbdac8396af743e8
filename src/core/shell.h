#pragma once

#include <string>

namespace vexon::core {

// What the desktop opens for the program. Nothing here ever goes through a command
// shell: a program gets its argument as one argument.
class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a local file with the program the desktop associates with its type.
  virtual bool OpenFile(const std::string& path) = 0;
  // Opens an http or https address in the user's web browser.
  virtual bool OpenWebAddress(const std::string& url) = 0;
  // Shows an existing file in the desktop's file manager, selected in its folder
  // (or, where the file manager cannot select, its folder opened). False when
  // nothing could be started.
  virtual bool ShowInFolder(const std::string& path) = 0;
  // Opens a folder in the desktop's file manager.
  virtual bool OpenFolder(const std::string& folder) = 0;
};

}  // namespace vexon::core
