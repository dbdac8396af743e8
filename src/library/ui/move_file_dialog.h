#pragma once

#include <QDialog>

#include "core/folder_chooser.h"
#include "library/move_file_form.h"
#include "text/catalog.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace vexon::library::ui {

// "移动文件到": a new name and folder for a downloaded file; the full name follows
// every edit.
class CMoveFileDlg final : public QDialog, public MoveFileDialog {
  Q_OBJECT

 public:
  CMoveFileDlg(core::FolderChooser& chooser, text::Translator texts, QWidget* parent = nullptr);

  bool Show(MoveFileForm& form) override;
  // Fills the fields from the form (Show does this before running).
  void Present(MoveFileForm& form);
  void Browse();

 private:
  void ShowFullName();

  const text::Translator texts_;
  core::FolderChooser& chooser_;
  MoveFileForm* form_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLabel* extension_ = nullptr;
  QLineEdit* path_ = nullptr;
  QPlainTextEdit* fullName_ = nullptr;
};

}  // namespace vexon::library::ui
