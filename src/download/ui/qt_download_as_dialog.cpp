#include "download/ui/qt_download_as_dialog.h"

#include "widgets/dialog_header.h"
#include "widgets/texts.h"

#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

#include <optional>
#include <string>

namespace vexon::download::ui {
namespace {

constexpr int kDialogId = 164;
constexpr int kControlName = 1000;
constexpr int kControlExtension = 1081;
constexpr int kControlPath = 1075;
constexpr int kControlFullName = 1077;
constexpr int kControlBrowse = 1028;
constexpr int kControlOk = 1083;
constexpr int kControlCancel = 2;
// Room for two lines of a long full name.
constexpr int kFullNameLines = 3;

static_assert(DownloadAsForm::kMaxFieldCharacters == 256, "kFieldTooLongMessage names the limit");

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QString IdName(int controlId) {
  return QString::number(controlId);
}

}  // namespace

CDownloadAsDlg::CDownloadAsDlg(core::FolderChooser& chooser, core::Prompter& prompter, text::Translator texts,
                               QWidget* parent)
    : QDialog(parent), texts_(std::move(texts)), chooser_(chooser), prompter_(prompter) {
  setWindowTitle(widgets::Text(texts_, core::kMessageCaption));
  setObjectName(IdName(kDialogId));

  name_ = new QComboBox(this);
  name_->setObjectName(IdName(kControlName));
  name_->setEditable(true);
  // The list is the form's: Enter must not add the typed name to it, and no
  // completion may change the text behind the form's back.
  name_->setInsertPolicy(QComboBox::NoInsert);
  name_->setCompleter(nullptr);
  connect(name_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
    if (form_ == nullptr) return;
    form_->TypeName(text.toStdString());
    ShowFullName();
  });
  connect(name_, &QComboBox::activated, this, [this](int index) {
    if (form_ == nullptr || index < 0) return;
    form_->ChooseCandidate(static_cast<size_t>(index));
    ShowFullName();
  });

  extension_ = new QLabel(this);
  extension_->setObjectName(IdName(kControlExtension));
  path_ = new QLineEdit(this);
  path_->setObjectName(IdName(kControlPath));
  path_->setReadOnly(true);
  widgets::FitPathField(*path_);
  fullName_ = new QPlainTextEdit(this);
  fullName_->setObjectName(IdName(kControlFullName));
  fullName_->setReadOnly(true);
  fullName_->setFixedHeight(fullName_->fontMetrics().lineSpacing() * kFullNameLines);

  auto* browse = widgets::MakeDialogButton(widgets::Text(texts_, widgets::kBrowseButtonText), kControlBrowse, this);
  connect(browse, &QPushButton::clicked, this, &CDownloadAsDlg::Browse);
  auto* ok = widgets::MakeDialogButton(widgets::Text(texts_, "确定"), kControlOk, this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &CDownloadAsDlg::TryAccept);
  auto* cancel = widgets::MakeDialogButton(widgets::Text(texts_, "取消"), kControlCancel, this);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(widgets::Text(texts_, "文件名:"), this), 0, 0);
  fields->addWidget(name_, 0, 1);
  fields->addWidget(extension_, 0, 2);
  fields->addWidget(new QLabel(widgets::Text(texts_, "文件路径:"), this), 1, 0);
  fields->addWidget(path_, 1, 1);
  fields->addWidget(browse, 1, 2);
  fields->addWidget(new QLabel(widgets::Text(texts_, "全名:"), this), 2, 0, Qt::AlignTop);
  fields->addWidget(fullName_, 2, 1, 1, 2);
  fields->setColumnStretch(1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(widgets::MakeDialogHeader(widgets::Text(texts_, "另下载为"),
                                              widgets::Text(texts_, "下载选定文件到你指定路径和文件名的磁盘中"), this));
  layout->addLayout(fields);
  layout->addLayout(buttons);
}

bool CDownloadAsDlg::Show(DownloadAsForm& form) {
  Present(form);
  const bool accepted = exec() == QDialog::Accepted;
  form_ = nullptr;
  return accepted;
}

void CDownloadAsDlg::Present(DownloadAsForm& form) {
  form_ = &form;
  form.Open();
  name_->clear();
  for (const std::string& candidate : form.candidates()) name_->addItem(Text(candidate));
  name_->setCurrentIndex(static_cast<int>(form.selectedCandidate()));
  name_->setEditText(Text(form.nameText()));
  extension_->setText(Text(form.extension()));
  path_->setText(Text(form.pathText()));
  ShowFullName();
}

void CDownloadAsDlg::ShowFullName() {
  if (form_ != nullptr) fullName_->setPlainText(Text(form_->fullNameText()));
}

void CDownloadAsDlg::Browse() {
  if (form_ == nullptr) return;
  const std::optional<std::string> folder = chooser_.Choose(form_->BrowseStartFolder());
  if (!folder) return;
  form_->FolderChosen(*folder);
  path_->setText(Text(form_->pathText()));
  ShowFullName();
}

void CDownloadAsDlg::TryAccept() {
  if (form_ == nullptr) return;
  switch (form_->Accept()) {
    case DownloadAsForm::AcceptResult::kAccepted: accept(); return;
    case DownloadAsForm::AcceptResult::kPathTooLong:
      prompter_.Show(std::string(texts_(kFieldTooLongMessage)), core::MessageIcon::kExclamation,
                     core::MessageButtons::kOk);
      path_->setFocus();
      path_->selectAll();
      return;
    case DownloadAsForm::AcceptResult::kFullNameTooLong:
      prompter_.Show(std::string(texts_(kFieldTooLongMessage)), core::MessageIcon::kExclamation,
                     core::MessageButtons::kOk);
      fullName_->setFocus();
      fullName_->selectAll();
      return;
  }
}

}  // namespace vexon::download::ui
