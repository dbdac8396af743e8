#include "search/ui/search_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QVBoxLayout>
#include "widgets/dialog_header.h"
#include "widgets/texts.h"

#include <cstddef>

namespace vexon::search::ui {
namespace {

constexpr std::array<DateChoice, 4> kDateChoices = {DateChoice::kAny, DateChoice::kBefore, DateChoice::kAfter,
                                                    DateChoice::kRange};
constexpr std::array<const char*, 4> kDateTexts = {"不限", "此前", "此后", "区间"};
constexpr std::array<SizeChoice, 4> kSizeChoices = {SizeChoice::kAny, SizeChoice::kBelow, SizeChoice::kAbove,
                                                    SizeChoice::kRange};
constexpr std::array<const char*, 4> kSizeTexts = {"不限", "< =", "> =", "区间"};
constexpr std::array<DatePicker, 4> kPickers = {DatePicker::kBefore, DatePicker::kAfter, DatePicker::kRangeFrom,
                                                DatePicker::kRangeTo};
constexpr std::array<SizeEdit, 4> kSizeEdits = {SizeEdit::kBelow, SizeEdit::kAbove, SizeEdit::kRangeLow,
                                                SizeEdit::kRangeHigh};
constexpr int kTypeColumns = 7;

QString IdName(int controlId) {
  return QString::number(controlId);
}

QDate ToQDate(std::chrono::year_month_day date) {
  return QDate(static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
               static_cast<int>(static_cast<unsigned>(date.day())));
}

std::chrono::year_month_day FromQDate(QDate date) {
  return std::chrono::year{date.year()} / std::chrono::month{static_cast<unsigned>(date.month())} /
         std::chrono::day{static_cast<unsigned>(date.day())};
}

}  // namespace

CSearchOptionsDlg::CSearchOptionsDlg(SearchOptions& options, std::chrono::year_month_day today,
                                     core::Prompter& prompter, text::Translator texts, QWidget* parent)
    : QDialog(parent), texts_(std::move(texts)), options_(options), prompter_(prompter), form_(today) {
  setWindowTitle(widgets::Text(texts_, core::kMessageCaption));
  setObjectName(IdName(kSearchOptionsDialogId));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildTypeGroup());
  auto* filters = new QHBoxLayout;
  filters->addWidget(BuildDateGroup());
  filters->addWidget(BuildSizeGroup());
  layout->addLayout(filters);
  layout->addWidget(BuildLimitGroup());
  layout->addWidget(BuildSourceGroup());
  layout->addWidget(BuildButtons());

  form_.Load(options_);
  ShowForm();
}

QWidget* CSearchOptionsDlg::BuildTypeGroup() {
  auto* group = new QGroupBox(widgets::Text(texts_, "文件类型"), this);
  auto* grid = new QGridLayout(group);
  for (size_t i = 0; i < kFileTypeCount; ++i) {
    const FileType type = kFileTypes[i].type;
    auto* box = new QCheckBox(
        QString::fromUtf8(kFileTypes[i].name.data(), static_cast<qsizetype>(kFileTypes[i].name.size())), group);
    box->setObjectName(IdName(kTypeBoxIds[i]));
    connect(box, &QCheckBox::toggled, this, [this, type](bool on) {
      if (!filling_) form_.SetTypeChecked(type, on);
    });
    typeBoxes_[i] = box;
    grid->addWidget(box, static_cast<int>(i) / kTypeColumns, static_cast<int>(i) % kTypeColumns);
  }
  auto* selectAll = widgets::MakeDialogButton(widgets::Text(texts_, "全 选"), kControlSelectAll, group);
  connect(selectAll, &QPushButton::clicked, this, [this] {
    form_.SelectAll();
    ShowForm();
  });
  auto* defaults = widgets::MakeDialogButton(widgets::Text(texts_, "设置缺省选项"), kControlSetDefaults, group);
  connect(defaults, &QPushButton::clicked, this, [this] {
    form_.SetDefaults();
    ShowForm();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(selectAll);
  buttons->addWidget(defaults);
  buttons->addStretch();
  grid->addLayout(buttons, static_cast<int>((kFileTypeCount + kTypeColumns - 1) / kTypeColumns), 0, 1, kTypeColumns);
  return group;
}

QWidget* CSearchOptionsDlg::BuildSourceGroup() {
  auto* group = new QGroupBox(widgets::Text(texts_, "搜索来源"), this);
  group->setObjectName(IdName(kControlSourceGroup));
  auto* row = new QHBoxLayout(group);
  for (size_t i = 0; i < kServiceLabels.size(); ++i) {
    auto* box = new QCheckBox(widgets::Text(texts_, kServiceLabels[i]), group);
    box->setObjectName(IdName(kSourceBoxIds[i]));
    connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
      if (!filling_) form_.SetSourceChecked(i, on);
    });
    sourceBoxes_[i] = box;
    row->addWidget(box);
  }
  row->addStretch();
  return group;
}

QWidget* CSearchOptionsDlg::BuildDateGroup() {
  auto* group = new QGroupBox(widgets::Text(texts_, "文件日期"), this);
  auto* grid = new QGridLayout(group);
  auto* radios = new QButtonGroup(group);
  for (size_t i = 0; i < kDateChoices.size(); ++i) {
    const DateChoice choice = kDateChoices[i];
    auto* radio = new QRadioButton(widgets::Text(texts_, kDateTexts[i]), group);
    radio->setObjectName(IdName(static_cast<int>(choice)));
    radios->addButton(radio, static_cast<int>(choice));
    connect(radio, &QRadioButton::toggled, this, [this, choice](bool on) {
      if (filling_ || !on) return;
      form_.SelectDate(choice);
      ShowEnabled();
    });
    dateRadios_[i] = radio;
    grid->addWidget(radio, static_cast<int>(i), 0);
  }
  for (size_t i = 0; i < kPickers.size(); ++i) {
    const DatePicker picker = kPickers[i];
    auto* edit = new QDateEdit(group);
    edit->setObjectName(IdName(static_cast<int>(picker)));
    edit->setCalendarPopup(true);
    // As wide as the editor allows, so a loaded date is shown as it is.
    edit->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    connect(edit, &QDateEdit::dateChanged, this, [this, picker](QDate date) {
      if (!filling_) form_.SetPickerDate(picker, FromQDate(date));
    });
    pickers_[i] = edit;
  }
  // Rows follow the radios: 此前, 此后, then 区间 with its two pickers.
  grid->addWidget(pickers_[0], 1, 1);
  grid->addWidget(pickers_[1], 2, 1);
  grid->addWidget(pickers_[2], 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("-"), group), 3, 2);
  grid->addWidget(pickers_[3], 3, 3);
  return group;
}

QWidget* CSearchOptionsDlg::BuildSizeGroup() {
  auto* group = new QGroupBox(widgets::Text(texts_, "文件大小"), this);
  auto* grid = new QGridLayout(group);
  auto* radios = new QButtonGroup(group);
  for (size_t i = 0; i < kSizeChoices.size(); ++i) {
    const SizeChoice choice = kSizeChoices[i];
    auto* radio = new QRadioButton(widgets::Text(texts_, kSizeTexts[i]), group);
    radio->setObjectName(IdName(static_cast<int>(choice)));
    radios->addButton(radio, static_cast<int>(choice));
    connect(radio, &QRadioButton::toggled, this, [this, choice](bool on) {
      if (filling_ || !on) return;
      form_.SelectSize(choice);
      ShowEnabled();
    });
    sizeRadios_[i] = radio;
    grid->addWidget(radio, static_cast<int>(i), 0);
  }
  for (size_t i = 0; i < kSizeEdits.size(); ++i) {
    const SizeEdit which = kSizeEdits[i];
    auto* edit = new QLineEdit(group);
    edit->setObjectName(IdName(static_cast<int>(which)));
    // Room for a size of seven digits, however long the choices' texts are.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    connect(edit, &QLineEdit::textChanged, this, [this, which](const QString& text) {
      if (!filling_) form_.SetEditText(which, text.toStdString());
    });
    sizeEdits_[i] = edit;
  }
  grid->addWidget(sizeEdits_[0], 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("KB"), group), 1, 4);
  grid->addWidget(sizeEdits_[1], 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("KB"), group), 2, 4);
  grid->addWidget(sizeEdits_[2], 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("-"), group), 3, 2);
  grid->addWidget(sizeEdits_[3], 3, 3);
  grid->addWidget(new QLabel(QStringLiteral("KB"), group), 3, 4);
  return group;
}

QWidget* CSearchOptionsDlg::BuildLimitGroup() {
  auto* group = new QGroupBox(widgets::Text(texts_, "最多结果数"), this);
  auto* row = new QHBoxLayout(group);
  limitEdit_ = new QLineEdit(group);
  limitEdit_->setObjectName(IdName(kControlResultLimit));
  connect(limitEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!filling_) form_.SetResultLimitText(text.toStdString());
  });
  row->addWidget(limitEdit_);
  row->addStretch();
  return group;
}

QWidget* CSearchOptionsDlg::BuildButtons() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  auto* ok = widgets::MakeDialogButton(widgets::Text(texts_, "确定"), kControlOk, bar);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &CSearchOptionsDlg::TryAccept);
  auto* cancel = widgets::MakeDialogButton(widgets::Text(texts_, "取消"), kControlCancel, bar);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return bar;
}

void CSearchOptionsDlg::ShowForm() {
  filling_ = true;
  for (size_t i = 0; i < kFileTypeCount; ++i) {
    typeBoxes_[i]->setChecked(form_.IsTypeChecked(kFileTypes[i].type));
  }
  for (size_t i = 0; i < sourceBoxes_.size(); ++i) sourceBoxes_[i]->setChecked(form_.IsSourceChecked(i));
  for (size_t i = 0; i < kDateChoices.size(); ++i) {
    if (form_.SelectedDate() == kDateChoices[i]) dateRadios_[i]->setChecked(true);
  }
  for (size_t i = 0; i < kSizeChoices.size(); ++i) {
    if (form_.SelectedSize() == kSizeChoices[i]) sizeRadios_[i]->setChecked(true);
  }
  for (size_t i = 0; i < kPickers.size(); ++i) {
    pickers_[i]->setDate(ToQDate(form_.PickerDate(kPickers[i])));
  }
  for (size_t i = 0; i < kSizeEdits.size(); ++i) {
    sizeEdits_[i]->setText(QString::fromStdString(form_.EditText(kSizeEdits[i])));
  }
  limitEdit_->setText(QString::fromStdString(form_.ResultLimitText()));
  filling_ = false;
  ShowEnabled();
}

void CSearchOptionsDlg::ShowEnabled() {
  for (size_t i = 0; i < kPickers.size(); ++i) pickers_[i]->setEnabled(form_.IsEnabled(kPickers[i]));
  for (size_t i = 0; i < kSizeEdits.size(); ++i) {
    sizeEdits_[i]->setEnabled(form_.IsEnabled(kSizeEdits[i]));
  }
}

QLineEdit* CSearchOptionsDlg::EditFor(int controlId) const {
  if (controlId == kControlResultLimit) return limitEdit_;
  for (size_t i = 0; i < kSizeEdits.size(); ++i) {
    if (static_cast<int>(kSizeEdits[i]) == controlId) return sizeEdits_[i];
  }
  return nullptr;
}

void CSearchOptionsDlg::TryAccept() {
  const AcceptResult result = form_.Accept(options_);
  if (result.accepted) {
    accept();
    return;
  }
  if (result.invalidControl == kControlSourceGroup) {
    prompter_.Show(std::string(texts_(kSourceRequiredMessage)), core::MessageIcon::kExclamation,
                   core::MessageButtons::kOk);
    sourceBoxes_[0]->setFocus();
    return;
  }
  prompter_.Show(std::string(texts_(kEditRangeMessage)), core::MessageIcon::kExclamation, core::MessageButtons::kOk);
  if (QLineEdit* edit = EditFor(result.invalidControl)) {
    edit->setFocus();
    edit->selectAll();
  }
}

}  // namespace vexon::search::ui
