#include "app/ui/qt_folder_chooser.h"

#include <QFileDialog>

#include <utility>

#include "widgets/texts.h"

namespace vexon::app::ui {

QString ChooserStartFolder(const std::string& folder) {
  std::string start = folder;
  if (start.size() > 1 && start.back() == '/') start.pop_back();
  return QString::fromStdString(start);
}

std::string FolderWithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::optional<std::string> QtFolderChooser::Choose(const std::string& startFolder) {
  const QString answer = QFileDialog::getExistingDirectory(parent_, widgets::Text(texts_, core::kFolderChooserCaption),
                                                           ChooserStartFolder(startFolder), QFileDialog::ShowDirsOnly);
  // The dialog answers an empty text when the user cancels.
  if (answer.isEmpty()) return std::nullopt;
  return FolderWithTrailingSlash(answer.toStdString());
}

}  // namespace vexon::app::ui
