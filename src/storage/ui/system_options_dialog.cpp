#include "storage/ui/system_options_dialog.h"

#include "widgets/dialog_header.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "storage/app_settings.h"
#include "widgets/texts.h"

namespace vexon::storage::ui {
namespace {

constexpr int kDialogId = 143;
constexpr int kControlFolder = 1040;
constexpr int kControlBrowse = 1041;
constexpr int kControlTitleDown = 1117;
constexpr int kControlThreads = 1090;
constexpr int kControlSpeed = 1093;
constexpr int kControlHistory = 1091;
constexpr int kControlLog = 1092;
constexpr int kControlLanguage = 1094;
constexpr int kControlNotify = 1095;
constexpr int kControlOk = 1;
constexpr int kControlCancel = 2;

// Out of every field's range, so a text that is not a whole number is refused in
// its place of the checking order, like an out-of-range one.
constexpr unsigned kNotANumber = std::numeric_limits<unsigned>::max();
static_assert(kFolderCharactersMax == 255, "kFolderRefusedMessage names the limit");

QString IdName(int controlId) {
  return QString::number(controlId);
}

// Digits only, blanks around them tolerated.
unsigned ReadNumber(const QString& text) {
  const QString digits = text.trimmed();
  for (QChar c : digits) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return kNotANumber;
  }
  bool ok = false;
  const unsigned value = digits.toUInt(&ok);
  return ok ? value : kNotANumber;
}

QString Number(unsigned value) {
  return QString::number(value);
}

std::string RangeMessage(unsigned low, unsigned high, const text::Translator& texts) {
  return texts.Fill("请输入一个 %1 到 %2 之间的整数。", std::to_string(low), std::to_string(high));
}

QLineEdit* MakeEdit(int controlId, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(IdName(controlId));
  return edit;
}

}  // namespace

std::string RefusedOptionMessage(OptionsField field, const text::Translator& texts) {
  switch (field) {
    case OptionsField::kFolder: break;
    case OptionsField::kSearchHistoryMaxItems:
      return RangeMessage(kSearchHistoryItemsMin, kSearchHistoryItemsMax, texts);
    case OptionsField::kMaxDownloadThreads: return RangeMessage(kDownloadThreadsMin, kDownloadThreadsMax, texts);
    case OptionsField::kCompletedMaxItems: return RangeMessage(kCompletedItemsMin, kCompletedItemsMax, texts);
    case OptionsField::kMaxDownloadSpeed: return RangeMessage(kDownloadSpeedMin, kDownloadSpeedMax, texts);
  }
  return std::string(texts(kFolderRefusedMessage));
}

CSystemOptionsDlg::CSystemOptionsDlg(SystemOptions& fields, core::FolderChooser& chooser, core::Prompter& prompter,
                                     text::Translator texts, QWidget* parent)
    : QDialog(parent), texts_(std::move(texts)), fields_(fields), chooser_(chooser), prompter_(prompter) {
  setWindowTitle(widgets::Text(texts_, core::kMessageCaption));
  setObjectName(IdName(kDialogId));

  folder_ = MakeEdit(kControlFolder, this);
  folder_->setText(QString::fromStdString(fields.folder));
  widgets::FitPathField(*folder_);
  auto* browse = widgets::MakeDialogButton(widgets::Text(texts_, widgets::kBrowseButtonText), kControlBrowse, this);
  connect(browse, &QPushButton::clicked, this, &CSystemOptionsDlg::Browse);
  titleDown_ = new QCheckBox(this);
  titleDown_->setObjectName(IdName(kControlTitleDown));
  titleDown_->setChecked(fields.titleDown);
  threads_ = MakeEdit(kControlThreads, this);
  threads_->setText(Number(fields.maxDownloadThreads));
  speed_ = MakeEdit(kControlSpeed, this);
  speed_->setText(Number(fields.maxDownloadSpeed));
  history_ = MakeEdit(kControlHistory, this);
  history_->setText(Number(fields.searchHistoryMaxItems));
  log_ = MakeEdit(kControlLog, this);
  log_->setText(Number(fields.completedMaxItems));
  language_ = new QComboBox(this);
  language_->setObjectName(IdName(kControlLanguage));
  language_->addItem(widgets::Text(texts_, "自动 (随系统语言)"), QStringLiteral("auto"));
  language_->addItem(widgets::Text(texts_, "中文"), QStringLiteral("zh"));
  language_->addItem(widgets::Text(texts_, "英文"), QStringLiteral("en"));
  language_->setCurrentIndex(std::max(0, language_->findData(QString::fromStdString(fields.language))));
  notify_ = new QCheckBox(this);
  notify_->setObjectName(IdName(kControlNotify));
  notify_->setChecked(fields.notify);

  auto* grid = new QGridLayout;
  const auto label = [this, grid](int row, const char* text, QWidget* field) {
    auto* name = new QLabel(widgets::Text(texts_, text), this);
    name->setBuddy(field);
    grid->addWidget(name, row, 0);
  };
  label(0, "默认下载文件路径:", folder_);
  grid->addWidget(folder_, 0, 1);
  grid->addWidget(browse, 0, 2);
  label(1, "是否以文件标题为文件名开始下载: ", titleDown_);
  // The check box keeps its own size, so a click beside it does not toggle it.
  grid->addWidget(titleDown_, 1, 1, Qt::AlignLeft);
  // A number field is as wide as its numbers, with its range beside it.
  const auto addNumber = [this, grid, &label](int row, const char* text, QLineEdit* field, const char* range) {
    label(row, text, field);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    auto* line = new QHBoxLayout;
    line->addWidget(field);
    line->addWidget(new QLabel(widgets::Text(texts_, range), this));
    line->addStretch();
    grid->addLayout(line, row, 1, 1, 2);
  };
  addNumber(2, "最大同时下载文件数: ", threads_, "(1 - 10)");
  addNumber(3, "最大每个文件的下载速率(KB/S): ", speed_, "(0表示不限)");
  addNumber(4, "最大保留搜索文本项数:", history_, "(5 - 20)");
  addNumber(5, "最大已下载文件日志项数:", log_, "(50 - 200)");
  label(6, "界面语言:", language_);
  auto* languageLine = new QHBoxLayout;
  languageLine->addWidget(language_);
  languageLine->addWidget(new QLabel(widgets::Text(texts_, "(下次启动时生效)"), this));
  languageLine->addStretch();
  grid->addLayout(languageLine, 6, 1, 1, 2);
  label(7, "下载完成或失败时通知桌面:", notify_);
  grid->addWidget(notify_, 7, 1, Qt::AlignLeft);
  grid->setColumnStretch(1, 1);

  auto* ok = widgets::MakeDialogButton(widgets::Text(texts_, "确定"), kControlOk, this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &CSystemOptionsDlg::TryAccept);
  auto* cancel = widgets::MakeDialogButton(widgets::Text(texts_, "取消"), kControlCancel, this);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      widgets::MakeDialogHeader(widgets::Text(texts_, "系统选项"), widgets::Text(texts_, "设置系统应用参数"), this));
  layout->addLayout(grid);
  layout->addLayout(buttons);
}

void CSystemOptionsDlg::Browse() {
  const std::optional<std::string> folder = chooser_.Choose(folder_->text().toStdString());
  if (folder) folder_->setText(QString::fromStdString(*folder));
}

QLineEdit* CSystemOptionsDlg::EditFor(OptionsField field) const {
  switch (field) {
    case OptionsField::kFolder: return folder_;
    case OptionsField::kSearchHistoryMaxItems: return history_;
    case OptionsField::kMaxDownloadThreads: return threads_;
    case OptionsField::kCompletedMaxItems: return log_;
    case OptionsField::kMaxDownloadSpeed: return speed_;
  }
  return folder_;
}

void CSystemOptionsDlg::TryAccept() {
  SystemOptions chosen;
  chosen.folder = folder_->text().toStdString();
  chosen.titleDown = titleDown_->isChecked();
  chosen.maxDownloadThreads = ReadNumber(threads_->text());
  chosen.maxDownloadSpeed = ReadNumber(speed_->text());
  chosen.searchHistoryMaxItems = ReadNumber(history_->text());
  chosen.completedMaxItems = ReadNumber(log_->text());
  chosen.language = language_->currentData().toString().toStdString();
  chosen.notify = notify_->isChecked();
  if (const std::optional<OptionsField> refused = FirstInvalidOption(chosen)) {
    prompter_.Show(RefusedOptionMessage(*refused, texts_), core::MessageIcon::kExclamation, core::MessageButtons::kOk);
    QLineEdit* edit = EditFor(*refused);
    edit->setFocus();
    edit->selectAll();
    return;
  }
  fields_ = std::move(chosen);
  accept();
}

}  // namespace vexon::storage::ui
