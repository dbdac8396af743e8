#pragma once

#include <optional>
#include <string>

namespace vexon::core {

// The caption of the shared folder chooser.
inline constexpr const char* kFolderChooserCaption = "选择或新建一个文件夹";

// The shared folder chooser: the front end shows its dialog, tests answer directly.
class FolderChooser {
 public:
  virtual ~FolderChooser() = default;
  // `startFolder` is preselected (a trailing "/" is ignored). Returns the chosen
  // folder with a "/" appended when missing, or nothing when the user cancelled.
  virtual std::optional<std::string> Choose(const std::string& startFolder) = 0;
};

}  // namespace vexon::core
