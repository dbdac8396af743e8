#pragma once

#include <QDialog>

#include "core/folder_chooser.h"
#include "core/prompter.h"
#include "download/download_as_dialog.h"
#include "download/download_as_form.h"
#include "text/catalog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace vexon::download::ui {

// Shown when the path or the full name exceeds DownloadAsForm::kMaxFieldCharacters.
inline constexpr const char* kFieldTooLongMessage = "输入的文本不能超过 256 个字符。";

// The Download As dialog: widgets over a DownloadAsForm, which holds every rule.
// One object may be shown again and again; each showing starts from the form.
// Each control's objectName is its control id ("1000", "1083", ...).
class CDownloadAsDlg final : public QDialog, public DownloadAsDialog {
  Q_OBJECT

 public:
  CDownloadAsDlg(core::FolderChooser& chooser, core::Prompter& prompter, text::Translator texts,
                 QWidget* parent = nullptr);

  // Present, then runs modally; true when closed with OK.
  bool Show(DownloadAsForm& form) override;

  // Opens the form and fills the widgets from it, without running the dialog. The
  // form must outlive the showing.
  void Present(DownloadAsForm& form);
  // What OK does: takes the texts into the form and closes, or refuses a text that
  // is too long and stays open with its field focused.
  void TryAccept();
  // What "浏览..." does.
  void Browse();

 private:
  void ShowFullName();

  const text::Translator texts_;
  core::FolderChooser& chooser_;
  core::Prompter& prompter_;
  DownloadAsForm* form_ = nullptr;  // the presented form; not owned

  QComboBox* name_ = nullptr;
  QLabel* extension_ = nullptr;
  QLineEdit* path_ = nullptr;
  QPlainTextEdit* fullName_ = nullptr;
};

}  // namespace vexon::download::ui
