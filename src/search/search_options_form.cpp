#include "search/search_options_form.h"

#include <algorithm>
#include <cstddef>

#include "text/strings.h"

namespace vexon::search {
namespace {

using std::chrono::year_month_day;

constexpr int kDaysBack = 365;
constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;
// Enough for any valid edit value and far from int64 overflow.
constexpr size_t kMaxNumberDigits = 18;
constexpr char kValueSeparator = '|';
constexpr std::string_view kDefaultBelowKb = "1024";
constexpr std::string_view kDefaultAboveKb = "1024";
constexpr std::string_view kDefaultRangeLowKb = "0";
constexpr std::string_view kDefaultRangeHighKb = "5120";
constexpr std::string_view kDefaultResultLimit = "0";

// The types the main window also has boxes for; the other eight are dialog-only.
constexpr std::array<FileType, 6> kMainWindowTypes = {FileType::kMp3, FileType::kRm,  FileType::kWma,
                                                      FileType::kSwf, FileType::kWmv, FileType::kMpg};

size_t PickerIndex(DatePicker picker) {
  switch (picker) {
    case DatePicker::kBefore: return 0;
    case DatePicker::kAfter: return 1;
    case DatePicker::kRangeFrom: return 2;
    case DatePicker::kRangeTo: return 3;
  }
  return 0;
}

size_t EditIndex(SizeEdit edit) {
  switch (edit) {
    case SizeEdit::kBelow: return 0;
    case SizeEdit::kAbove: return 1;
    case SizeEdit::kRangeLow: return 2;
    case SizeEdit::kRangeHigh: return 3;
  }
  return 0;
}

bool IsFilterCode(char c) {
  return c == kFilterBelow || c == kFilterAbove || c == kFilterRange;
}

bool InForce(std::string_view filter) {
  return !filter.empty() && IsFilterCode(filter.front());
}

// The filter's values after the code: the first, and for a range the second.
void SplitValues(std::string_view filter, std::string_view& first, std::string_view& second) {
  first = {};
  second = {};
  const size_t bar = filter.find(kValueSeparator);
  if (bar == std::string_view::npos) return;
  first = filter.substr(bar + 1);
  const size_t next = first.find(kValueSeparator);
  if (next != std::string_view::npos) {
    second = first.substr(next + 1);
    first = first.substr(0, next);
  }
}

bool ReadDigits(std::string_view text, size_t maxDigits, int64_t& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// What the user typed must be a plain whole number; blanks around it are tolerated.
bool ReadEditValue(std::string_view text, int64_t& value) {
  return ReadDigits(text::Trim(text), kMaxNumberDigits, value) && value >= kEditMinValue && value <= kEditMaxValue;
}

// A loaded size value may be any integer: an out-of-range one is shown as it is, so
// OK refuses it instead of silently replacing the user's filter.
bool ReadFilterNumber(std::string_view text, std::string& shown) {
  std::string_view digits = text::Trim(text);
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  int64_t value = 0;
  if (!ReadDigits(digits, kMaxNumberDigits, value)) return false;
  shown = std::to_string(negative ? -value : value);
  return true;
}

}  // namespace

std::string FilterDateText(year_month_day date) {
  return std::to_string(static_cast<unsigned>(date.month())) + "/" + std::to_string(static_cast<unsigned>(date.day())) +
         "/" + std::to_string(static_cast<int>(date.year()));
}

SearchOptionsForm::SearchOptionsForm(year_month_day today) : today_(today) {
  ResetToOwnDefaults();
}

void SearchOptionsForm::ResetToOwnDefaults() {
  const year_month_day yearAgo{std::chrono::sys_days{today_} - std::chrono::days{kDaysBack}};
  types_.fill(false);
  date_choice_ = DateChoice::kAny;
  size_choice_ = SizeChoice::kAny;
  pickers_[PickerIndex(DatePicker::kBefore)] = today_;
  pickers_[PickerIndex(DatePicker::kRangeTo)] = today_;
  pickers_[PickerIndex(DatePicker::kAfter)] = yearAgo;
  pickers_[PickerIndex(DatePicker::kRangeFrom)] = yearAgo;
  edits_[EditIndex(SizeEdit::kBelow)] = kDefaultBelowKb;
  edits_[EditIndex(SizeEdit::kAbove)] = kDefaultAboveKb;
  edits_[EditIndex(SizeEdit::kRangeLow)] = kDefaultRangeLowKb;
  edits_[EditIndex(SizeEdit::kRangeHigh)] = kDefaultRangeHighKb;
  result_limit_text_ = kDefaultResultLimit;
}

void SearchOptionsForm::Load(const SearchOptions& options) {
  ResetToOwnDefaults();
  types_ = options.types;
  sources_ = options.sources;
  result_limit_text_ = std::to_string(options.maxResults);
  if (!options.dateFilter.empty()) LoadDateFilter(options.dateFilter);
  if (!options.sizeFilter.empty()) LoadSizeFilter(options.sizeFilter);
}

void SearchOptionsForm::LoadDateFilter(std::string_view filter) {
  std::string_view first;
  std::string_view second;
  SplitValues(filter, first, second);
  const auto load = [&](DatePicker picker, std::string_view value) {
    year_month_day date;
    if (ReadFilterDate(value, date)) pickers_[PickerIndex(picker)] = date;
  };
  switch (filter.front()) {
    case kFilterBelow:
      date_choice_ = DateChoice::kBefore;
      load(DatePicker::kBefore, first);
      break;
    case kFilterAbove:
      date_choice_ = DateChoice::kAfter;
      load(DatePicker::kAfter, first);
      break;
    case kFilterRange:
      date_choice_ = DateChoice::kRange;
      load(DatePicker::kRangeFrom, first);
      load(DatePicker::kRangeTo, second);
      break;
    default: date_choice_ = DateChoice::kAny; break;
  }
}

void SearchOptionsForm::LoadSizeFilter(std::string_view filter) {
  std::string_view first;
  std::string_view second;
  SplitValues(filter, first, second);
  const auto load = [&](SizeEdit edit, std::string_view value) {
    std::string shown;
    if (ReadFilterNumber(value, shown)) edits_[EditIndex(edit)] = std::move(shown);
  };
  switch (filter.front()) {
    case kFilterBelow:
      size_choice_ = SizeChoice::kBelow;
      load(SizeEdit::kBelow, first);
      break;
    case kFilterAbove:
      size_choice_ = SizeChoice::kAbove;
      load(SizeEdit::kAbove, first);
      break;
    case kFilterRange:
      size_choice_ = SizeChoice::kRange;
      load(SizeEdit::kRangeLow, first);
      load(SizeEdit::kRangeHigh, second);
      break;
    default: size_choice_ = SizeChoice::kAny; break;
  }
}

bool SearchOptionsForm::IsTypeChecked(FileType type) const {
  return types_[static_cast<size_t>(type)];
}

void SearchOptionsForm::SetTypeChecked(FileType type, bool checked) {
  types_[static_cast<size_t>(type)] = checked;
}

bool SearchOptionsForm::IsEnabled(DatePicker picker) const {
  switch (date_choice_) {
    case DateChoice::kBefore: return picker == DatePicker::kBefore;
    case DateChoice::kAfter: return picker == DatePicker::kAfter;
    case DateChoice::kRange: return picker == DatePicker::kRangeFrom || picker == DatePicker::kRangeTo;
    case DateChoice::kAny: return false;
  }
  return false;
}

bool SearchOptionsForm::IsEnabled(SizeEdit edit) const {
  switch (size_choice_) {
    case SizeChoice::kBelow: return edit == SizeEdit::kBelow;
    case SizeChoice::kAbove: return edit == SizeEdit::kAbove;
    case SizeChoice::kRange: return edit == SizeEdit::kRangeLow || edit == SizeEdit::kRangeHigh;
    case SizeChoice::kAny: return false;
  }
  return false;
}

year_month_day SearchOptionsForm::PickerDate(DatePicker picker) const {
  return pickers_[PickerIndex(picker)];
}

bool SearchOptionsForm::SetPickerDate(DatePicker picker, year_month_day date) {
  if (!date.ok() || date.year() < std::chrono::year{kMinYear} || date.year() > std::chrono::year{kMaxYear}) {
    return false;
  }
  pickers_[PickerIndex(picker)] = date;
  return true;
}

const std::string& SearchOptionsForm::EditText(SizeEdit edit) const {
  return edits_[EditIndex(edit)];
}

void SearchOptionsForm::SetEditText(SizeEdit edit, std::string text) {
  edits_[EditIndex(edit)] = std::move(text);
}

void SearchOptionsForm::SelectAll() {
  types_.fill(true);
}

void SearchOptionsForm::SetDefaults() {
  types_ = SearchOptions{}.types;
  date_choice_ = DateChoice::kAny;
  size_choice_ = SizeChoice::kAny;
  result_limit_text_ = kDefaultResultLimit;
}

AcceptResult SearchOptionsForm::Accept(SearchOptions& out) const {
  // Every edit is checked, enabled or not, so a bad text behind a radio is still refused.
  std::array<int64_t, 4> kb{};
  constexpr std::array<SizeEdit, 4> kEditOrder = {SizeEdit::kBelow, SizeEdit::kAbove, SizeEdit::kRangeLow,
                                                  SizeEdit::kRangeHigh};
  for (SizeEdit edit : kEditOrder) {
    if (!ReadEditValue(edits_[EditIndex(edit)], kb[EditIndex(edit)])) {
      return {false, static_cast<int>(edit)};
    }
  }
  int64_t limit = 0;
  if (!ReadEditValue(result_limit_text_, limit)) return {false, kControlResultLimit};
  if (std::find(sources_.begin(), sources_.end(), true) == sources_.end()) return {false, kControlSourceGroup};

  const auto pickerText = [this](DatePicker picker) { return FilterDateText(pickers_[PickerIndex(picker)]); };
  std::string dateFilter;
  switch (date_choice_) {
    case DateChoice::kAny: break;
    case DateChoice::kBefore: dateFilter = "1|" + pickerText(DatePicker::kBefore); break;
    case DateChoice::kAfter: dateFilter = "2|" + pickerText(DatePicker::kAfter); break;
    case DateChoice::kRange: {
      year_month_day lo = pickers_[PickerIndex(DatePicker::kRangeFrom)];
      year_month_day hi = pickers_[PickerIndex(DatePicker::kRangeTo)];
      if (hi < lo) std::swap(lo, hi);
      dateFilter = "3|" + FilterDateText(lo) + "|" + FilterDateText(hi);
      break;
    }
  }
  std::string sizeFilter;
  const auto kbText = [&kb](SizeEdit edit) { return std::to_string(kb[EditIndex(edit)]); };
  switch (size_choice_) {
    case SizeChoice::kAny: break;
    case SizeChoice::kBelow: sizeFilter = "1|" + kbText(SizeEdit::kBelow); break;
    case SizeChoice::kAbove: sizeFilter = "2|" + kbText(SizeEdit::kAbove); break;
    case SizeChoice::kRange: {
      const int64_t low = kb[EditIndex(SizeEdit::kRangeLow)];
      const int64_t high = kb[EditIndex(SizeEdit::kRangeHigh)];
      sizeFilter = "3|" + std::to_string(std::min(low, high)) + "|" + std::to_string(std::max(low, high));
      break;
    }
  }

  out.types = types_;
  out.sources = sources_;
  out.maxResults = static_cast<uint32_t>(limit);
  out.dateFilter = std::move(dateFilter);
  out.sizeFilter = std::move(sizeFilter);
  return {true, 0};
}

bool ExtraOptionsInForce(const SearchOptions& options) {
  if (InForce(options.dateFilter) || InForce(options.sizeFilter)) return true;
  if (options.maxResults != 0) return true;
  for (const FileTypeInfo& info : kFileTypes) {
    const bool onMainWindow =
        std::find(kMainWindowTypes.begin(), kMainWindowTypes.end(), info.type) != kMainWindowTypes.end();
    if (!onMainWindow && options.Has(info.type)) return true;
  }
  return false;
}

int MoreButtonBitmap(const SearchOptions& options) {
  return ExtraOptionsInForce(options) ? kBitmapMoreOptionsInForce : kBitmapMoreOptionsNone;
}

}  // namespace vexon::search
