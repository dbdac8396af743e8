#include "library/move_file_form.h"

namespace vexon::library {

MoveFileForm::MoveFileForm(std::string_view fileName, std::string folder)
    : path_(std::move(folder)), initialPath_(path_) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) {
    name_ = std::string(fileName);
  } else {
    name_ = std::string(fileName.substr(0, dot));
    extension_ = std::string(fileName.substr(dot));
  }
}

void MoveFileForm::FolderChosen(std::string_view folder) {
  path_ = std::string(folder);
  if (path_.empty() || path_.back() != '/') path_ += '/';
}

}  // namespace vexon::library
