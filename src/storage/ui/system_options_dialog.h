#pragma once

#include <QDialog>

#include <string>

#include "core/folder_chooser.h"
#include "core/prompter.h"
#include "storage/system_options.h"
#include "text/catalog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

namespace vexon::storage::ui {

// Shown when the folder is empty or longer than kFolderCharactersMax.
inline constexpr const char* kFolderRefusedMessage = "请输入默认下载文件路径(最多 255 个字节, 一个汉字占两个字节)。";

// The message OK shows for a refused field, e.g. "请输入一个 5 到 20 之间的整数。".
std::string RefusedOptionMessage(OptionsField field, const text::Translator& texts);

// The System Options dialog. Each control's objectName is its control id ("1040",
// "1090", ...; OK is "1", Cancel "2"; the language choice "1094").
class CSystemOptionsDlg final : public QDialog {
  Q_OBJECT

 public:
  // The controls show `fields`, which are written on OK only.
  CSystemOptionsDlg(SystemOptions& fields, core::FolderChooser& chooser, core::Prompter& prompter,
                    text::Translator texts, QWidget* parent = nullptr);

  // What OK does: checks the fields in the dialog's order, then writes them and
  // closes, or names the first refused one and stays open with it focused.
  void TryAccept();
  // What "浏览..." does: the chosen folder replaces the folder text.
  void Browse();

 private:
  QLineEdit* EditFor(OptionsField field) const;

  const text::Translator texts_;
  SystemOptions& fields_;
  core::FolderChooser& chooser_;
  core::Prompter& prompter_;

  QLineEdit* folder_ = nullptr;
  QCheckBox* titleDown_ = nullptr;
  QLineEdit* threads_ = nullptr;
  QLineEdit* speed_ = nullptr;
  QLineEdit* history_ = nullptr;
  QLineEdit* log_ = nullptr;
  QComboBox* language_ = nullptr;  // items carry "auto", "zh", "en"
  QCheckBox* notify_ = nullptr;
};

}  // namespace vexon::storage::ui
