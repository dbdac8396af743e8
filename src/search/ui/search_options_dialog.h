#pragma once

#include <QDialog>

#include <array>
#include <chrono>

#include "core/prompter.h"
#include "search/search_options.h"
#include "search/search_options_form.h"
#include "text/catalog.h"

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace vexon::search::ui {

// Shown when a size edit or the result limit is not a whole number in
// kEditMinValue..kEditMaxValue.
inline constexpr const char* kEditRangeMessage = "请输入一个 0 到 1000000 之间的整数。";
inline constexpr const char* kSourceRequiredMessage = "请至少选择一个搜索来源。";

// The Search Options dialog: widgets over a SearchOptionsForm, which holds every
// rule. Each control's objectName is its control id ("1053", "1080", ...).
class CSearchOptionsDlg final : public QDialog {
  Q_OBJECT

 public:
  // `options` is written on OK only; `today` seeds the date pickers.
  CSearchOptionsDlg(SearchOptions& options, std::chrono::year_month_day today, core::Prompter& prompter,
                    text::Translator texts, QWidget* parent = nullptr);

  // What OK does: writes the options and closes, or names the refused edit and
  // stays open with it focused.
  void TryAccept();

 private:
  QWidget* BuildTypeGroup();
  QWidget* BuildDateGroup();
  QWidget* BuildSizeGroup();
  QWidget* BuildLimitGroup();
  QWidget* BuildSourceGroup();
  QWidget* BuildButtons();
  // Widgets from the form; their change signals are ignored meanwhile.
  void ShowForm();
  void ShowEnabled();
  QLineEdit* EditFor(int controlId) const;

  const text::Translator texts_;
  SearchOptions& options_;
  core::Prompter& prompter_;
  SearchOptionsForm form_;
  bool filling_ = false;

  std::array<QCheckBox*, kFileTypeCount> typeBoxes_{};
  std::array<QCheckBox*, kServiceNames.size()> sourceBoxes_{};
  // In the order of kDateChoices, kSizeChoices, kPickers and kSizeEdits.
  std::array<QRadioButton*, 4> dateRadios_{};
  std::array<QRadioButton*, 4> sizeRadios_{};
  std::array<QDateEdit*, 4> pickers_{};
  std::array<QLineEdit*, 4> sizeEdits_{};
  QLineEdit* limitEdit_ = nullptr;
};

}  // namespace vexon::search::ui
