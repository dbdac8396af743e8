#pragma once

#include <string>
#include <string_view>

namespace vexon::library {

// The fields of the Move dialog without its widgets: a file name without its
// extension, a folder and the extension; the full name follows both edits.
class MoveFileForm final {
 public:
  // Splits `fileName` at its last "." (a name without one keeps its whole text and
  // an empty extension).
  MoveFileForm(std::string_view fileName, std::string folder);

  void SetName(std::string name) { name_ = std::move(name); }
  void SetPath(std::string path) { path_ = std::move(path); }
  // The folder chooser's answer, "/" appended when missing.
  void FolderChosen(std::string_view folder);

  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }
  const std::string& extension() const { return extension_; }
  const std::string& initialPath() const { return initialPath_; }
  // path + name + extension, as they stand.
  std::string FullName() const { return path_ + name_ + extension_; }
  // The name the file gets: name + extension.
  std::string FileName() const { return name_ + extension_; }

 private:
  std::string name_;
  std::string path_;
  std::string extension_;
  std::string initialPath_;
};

// The dialog, shown modally by the front end; true when closed with OK.
class MoveFileDialog {
 public:
  virtual ~MoveFileDialog() = default;
  virtual bool Show(MoveFileForm& form) = 0;
};

}  // namespace vexon::library
