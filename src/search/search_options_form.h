#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "search/search_options.h"

namespace vexon::search {

// Dialog resource and control ids of the Search Options dialog, so the GUI and the
// form speak of the same controls.
inline constexpr int kSearchOptionsDialogId = 163;
inline constexpr int kControlSizeAny = 1023;
inline constexpr int kControlDateBefore = 1024;
inline constexpr int kControlDateAny = 1025;
inline constexpr int kControlDateAfter = 1026;
inline constexpr int kControlDateRange = 1027;
inline constexpr int kControlSetDefaults = 1028;
inline constexpr int kControlSizeBelow = 1060;
inline constexpr int kControlSizeAbove = 1061;
inline constexpr int kControlSizeRange = 1062;
inline constexpr int kControlPickerAfter = 1064;
inline constexpr int kControlPickerRangeFrom = 1065;
inline constexpr int kControlPickerRangeTo = 1066;
inline constexpr int kControlEditBelow = 1067;
inline constexpr int kControlEditAbove = 1068;
inline constexpr int kControlEditRangeLow = 1069;
inline constexpr int kControlEditRangeHigh = 1070;
inline constexpr int kControlPickerBefore = 1071;
inline constexpr int kControlOk = 1080;
inline constexpr int kControlCancel = 2;
inline constexpr int kControlResultLimit = 1104;
inline constexpr int kControlSelectAll = 1125;
// The "搜索来源" group and its boxes, in the order of kServiceNames.
inline constexpr int kControlSourceGroup = 1130;
inline constexpr std::array<int, kServiceNames.size()> kSourceBoxIds = {1131, 1132, 1133};

// The dialog's type boxes, in the order of kFileTypes (the newer formats' from 1301).
inline constexpr std::array<int, kFileTypeCount> kTypeBoxIds = {
    1053, 1054, 1055, 1063, 1081, 1078, 1079, 1059, 1074, 1075, 1056, 1076, 1077, 1057, 1301, 1302, 1303, 1304, 1305};

// The main window's button that opens the dialog (same number as the dialog's
// "设置缺省选项", but on another window) and its two bitmaps.
inline constexpr int kMainWindowMoreButton = 1028;
inline constexpr int kBitmapMoreOptionsInForce = 178;
inline constexpr int kBitmapMoreOptionsNone = 179;

// Bounds of every size edit and of the result limit edit.
inline constexpr int64_t kEditMinValue = 0;
inline constexpr int64_t kEditMaxValue = 1000000;

// The radio buttons carry their control ids so the GUI can map them directly.
enum class DateChoice : int {
  kAny = kControlDateAny,
  kBefore = kControlDateBefore,
  kAfter = kControlDateAfter,
  kRange = kControlDateRange,
};

enum class SizeChoice : int {
  kAny = kControlSizeAny,
  kBelow = kControlSizeBelow,
  kAbove = kControlSizeAbove,
  kRange = kControlSizeRange,
};

enum class DatePicker : int {
  kBefore = kControlPickerBefore,
  kAfter = kControlPickerAfter,
  kRangeFrom = kControlPickerRangeFrom,
  kRangeTo = kControlPickerRangeTo,
};

enum class SizeEdit : int {
  kBelow = kControlEditBelow,
  kAbove = kControlEditAbove,
  kRangeLow = kControlEditRangeLow,
  kRangeHigh = kControlEditRangeHigh,
};

// Outcome of OK: either accepted, or the control id of the first edit whose text is
// not a whole number from kEditMinValue to kEditMaxValue, or kControlSourceGroup
// when no service is chosen (the dialog then stays open).
struct AcceptResult {
  bool accepted = false;
  int invalidControl = 0;
};

// The Search Options dialog's state and rules, without widgets. A GUI presents it:
// it constructs one per opening, calls Load, forwards the user's actions, and calls
// Accept on OK (Cancel simply drops the form).
class SearchOptionsForm final {
 public:
  // `today` must be a valid date; it seeds the date pickers.
  explicit SearchOptionsForm(std::chrono::year_month_day today);

  // Starts over from the form's own defaults, then takes the options' flags, result
  // limit and non-empty filters, selecting the radios and loading the pickers and
  // edits from the filters. A filter value that cannot be read leaves its picker or
  // edit at the default.
  void Load(const SearchOptions& options);

  bool IsTypeChecked(FileType type) const;
  void SetTypeChecked(FileType type, bool checked);
  // `index` in the order of kServiceNames.
  bool IsSourceChecked(size_t index) const { return sources_[index]; }
  void SetSourceChecked(size_t index, bool checked) { sources_[index] = checked; }

  DateChoice SelectedDate() const { return date_choice_; }
  SizeChoice SelectedSize() const { return size_choice_; }
  void SelectDate(DateChoice choice) { date_choice_ = choice; }
  void SelectSize(SizeChoice choice) { size_choice_ = choice; }

  // Only the pickers and edits of the selected radio are enabled.
  bool IsEnabled(DatePicker picker) const;
  bool IsEnabled(SizeEdit edit) const;

  std::chrono::year_month_day PickerDate(DatePicker picker) const;
  // False, and nothing changes, for a date that does not exist.
  bool SetPickerDate(DatePicker picker, std::chrono::year_month_day date);

  const std::string& EditText(SizeEdit edit) const;
  void SetEditText(SizeEdit edit, std::string text);
  const std::string& ResultLimitText() const { return result_limit_text_; }
  void SetResultLimitText(std::string text) { result_limit_text_ = std::move(text); }

  // "全 选"
  void SelectAll();
  // "设置缺省选项"; leaves the picker dates and size edit texts as they are.
  void SetDefaults();

  // OK: on success writes the flags, result limit, filters and services to `out`;
  // on failure leaves `out` unchanged.
  AcceptResult Accept(SearchOptions& out) const;

 private:
  void ResetToOwnDefaults();
  void LoadDateFilter(std::string_view filter);
  void LoadSizeFilter(std::string_view filter);

  std::chrono::year_month_day today_;
  std::array<bool, kFileTypeCount> types_{};
  std::array<bool, kServiceNames.size()> sources_ = {true, true, true};
  DateChoice date_choice_ = DateChoice::kAny;
  SizeChoice size_choice_ = SizeChoice::kAny;
  // Indexed as kBefore, kAfter, kRangeFrom, kRangeTo.
  std::array<std::chrono::year_month_day, 4> pickers_{};
  // Indexed as kBelow, kAbove, kRangeLow, kRangeHigh.
  std::array<std::string, 4> edits_;
  std::string result_limit_text_;
};

// A date or size filter, one of the types without a main-window box, or a result
// limit is in force: the main window's "更多" button then shows that more is set.
bool ExtraOptionsInForce(const SearchOptions& options);

// kBitmapMoreOptionsInForce or kBitmapMoreOptionsNone.
int MoreButtonBitmap(const SearchOptions& options);

// "m/d/yyyy" without leading zeros, as filter values are written.
std::string FilterDateText(std::chrono::year_month_day date);

}  // namespace vexon::search
