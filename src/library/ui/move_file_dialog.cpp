#include "library/ui/move_file_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/prompter.h"
#include "widgets/dialog_header.h"
#include "widgets/texts.h"

namespace vexon::library::ui {
namespace {

constexpr int kDialogId = 168;
constexpr int kControlExtension = 1085;
constexpr int kControlPath = 1086;
constexpr int kControlFullName = 1087;
constexpr int kControlOk = 1088;
constexpr int kControlBrowse = 1089;
constexpr int kControlName = 1090;
constexpr int kControlCancel = 2;

}  // namespace

CMoveFileDlg::CMoveFileDlg(core::FolderChooser& chooser, text::Translator texts, QWidget* parent)
    : QDialog(parent), texts_(std::move(texts)), chooser_(chooser) {
  setObjectName(QString::number(kDialogId));
  setWindowTitle(widgets::Text(texts_, core::kMessageCaption));
  name_ = new QLineEdit(this);
  name_->setObjectName(QString::number(kControlName));
  extension_ = new QLabel(this);
  extension_->setObjectName(QString::number(kControlExtension));
  path_ = new QLineEdit(this);
  path_->setObjectName(QString::number(kControlPath));
  fullName_ = new QPlainTextEdit(this);
  fullName_->setObjectName(QString::number(kControlFullName));
  fullName_->setReadOnly(true);
  fullName_->setMaximumHeight(fontMetrics().lineSpacing() * 3 + 12);
  auto* browse = widgets::MakeDialogButton(widgets::Text(texts_, widgets::kBrowseButtonText), kControlBrowse, this);
  auto* ok = widgets::MakeDialogButton(widgets::Text(texts_, "确定"), kControlOk, this);
  auto* cancel = widgets::MakeDialogButton(widgets::Text(texts_, "取消"), kControlCancel, this);
  ok->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(widgets::Text(texts_, "文件名:"), this), 0, 0);
  grid->addWidget(name_, 0, 1);
  grid->addWidget(extension_, 0, 2);
  grid->addWidget(new QLabel(widgets::Text(texts_, "文件路径:"), this), 1, 0);
  grid->addWidget(path_, 1, 1);
  grid->addWidget(browse, 1, 2);
  grid->addWidget(new QLabel(widgets::Text(texts_, "全名:"), this), 2, 0);
  grid->addWidget(fullName_, 2, 1, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(widgets::MakeDialogHeader(widgets::Text(texts_, "移动文件到"),
                                              widgets::Text(texts_, "移动磁盘文件的位置或重命名"), this));
  layout->addLayout(grid);
  layout->addLayout(buttons);
  resize(460, sizeHint().height());

  connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (form_ == nullptr) return;
    form_->SetName(text.toStdString());
    ShowFullName();
  });
  connect(path_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (form_ == nullptr) return;
    form_->SetPath(text.toStdString());
    ShowFullName();
  });
  connect(browse, &QPushButton::clicked, this, &CMoveFileDlg::Browse);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CMoveFileDlg::Present(MoveFileForm& form) {
  form_ = &form;
  name_->setText(QString::fromStdString(form.name()));
  extension_->setText(QString::fromStdString(form.extension()));
  path_->setText(QString::fromStdString(form.path()));
  ShowFullName();
  name_->setFocus();
}

bool CMoveFileDlg::Show(MoveFileForm& form) {
  Present(form);
  const bool accepted = exec() == QDialog::Accepted;
  form_ = nullptr;
  return accepted;
}

void CMoveFileDlg::Browse() {
  if (form_ == nullptr) return;
  const std::optional<std::string> folder = chooser_.Choose(form_->initialPath());
  if (!folder) return;
  form_->FolderChosen(*folder);
  path_->setText(QString::fromStdString(form_->path()));
  ShowFullName();
}

void CMoveFileDlg::ShowFullName() {
  if (form_ != nullptr) fullName_->setPlainText(QString::fromStdString(form_->FullName()));
}

}  // namespace vexon::library::ui
