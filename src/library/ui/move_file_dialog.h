#pragma once

#include <QDialog>

#include "core/folder_chooser.h"
#include "library/move_file_form.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace vexon::library::ui {

// "移动文件到": a new name and folder for a downloaded file; the full name follows
// every edit.
class CMoveFileDlg final : public QDialog, public MoveFileDialog {
  Q_OBJECT

 public:
  explicit CMoveFileDlg(core::FolderChooser& chooser, QWidget* parent = nullptr);

  bool Show(MoveFileForm& form) override;
  // Fills the fields from the form (Show does this before running).
  void Present(MoveFileForm& form);
  void Browse();

 private:
  void ShowFullName();

  core::FolderChooser& chooser_;
  MoveFileForm* form_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLabel* extension_ = nullptr;
  QLineEdit* path_ = nullptr;
  QPlainTextEdit* fullName_ = nullptr;
};

}  // namespace vexon::library::ui
