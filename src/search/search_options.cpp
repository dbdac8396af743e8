#include "search/search_options.h"

#include <algorithm>

#include <chrono>
#include <ctime>
#include <limits>
#include <vector>

#include "text/strings.h"

namespace vexon::search {
namespace {

constexpr int64_t kBytesPerKb = 1024;
constexpr char kValueSeparator = '|';
constexpr std::string_view kTokenLead = "||";
constexpr size_t kTailSize = 3;
// More digits than this cannot be a day, month or year.
constexpr size_t kMaxDateFieldDigits = 4;
constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;

// The position of a service's name in kServiceNames; its size when it is none.
size_t ServiceIndex(std::string_view name) {
  return static_cast<size_t>(std::find(kServiceNames.begin(), kServiceNames.end(), name) - kServiceNames.begin());
}

// The values of a filter: after the first bar, and for a range split at the next one.
struct FilterValues {
  bool present = false;
  std::string_view first;
  std::string_view second;
};

FilterValues ValuesOf(std::string_view filter) {
  FilterValues values;
  const size_t bar = filter.find(kValueSeparator);
  if (bar == std::string_view::npos) return values;
  values.present = true;
  const std::string_view rest = filter.substr(bar + 1);
  values.first = rest;
  const size_t next = rest.find(kValueSeparator);
  if (next != std::string_view::npos) {
    values.first = rest.substr(0, next);
    values.second = rest.substr(next + 1);
  }
  return values;
}

// A decimal number after optional blanks and sign; false when no digit follows.
bool ReadNumber(std::string_view text, int64_t& value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  value = text::LeadingInt(text);
  return true;
}

int64_t KbToBytes(int64_t kb) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  if (kb > kMax / kBytesPerKb) return kMax;
  if (kb < kMin / kBytesPerKb) return kMin;
  return kb * kBytesPerKb;
}

bool ReadKb(std::string_view text, int64_t& bytes) {
  int64_t kb = 0;
  if (!ReadNumber(text, kb)) return false;
  bytes = KbToBytes(kb);
  return true;
}

bool ReadDateField(std::string_view field, unsigned& value) {
  if (field.empty() || field.size() > kMaxDateFieldDigits) return false;
  value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return true;
}

// "1|v" (below v), "2|v" (above v) or "3|lo|hi" (between, inclusive), the values
// read by `read`; another code passes, a value that cannot be read fails.
template <typename T, typename Read>
bool FilterPasses(std::string_view filter, const T& value, Read read) {
  if (filter.empty()) return true;
  const char code = filter.front();
  if (code != kFilterBelow && code != kFilterAbove && code != kFilterRange) return true;
  const FilterValues values = ValuesOf(filter);
  if (!values.present) return false;
  T first{};
  if (!read(values.first, first)) return false;
  if (code == kFilterRange) {
    T second{};
    return read(values.second, second) && value >= first && value <= second;
  }
  return code == kFilterBelow ? value < first : value > first;
}

// What follows the URL's last dot, when no "/" does.
std::string_view WholeExtension(std::string_view url) {
  const size_t dot = url.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::string_view ext = url.substr(dot + 1);
  return ext.find('/') == std::string_view::npos ? ext : std::string_view();
}

// The type known by its whole extension that `url` has; null when none.
const FileTypeInfo* ExtensionType(std::string_view url) {
  const std::string_view ext = WholeExtension(url);
  for (const FileTypeInfo& type : kFileTypes) {
    if (type.suffix.empty() && text::EqualsNoCase(ext, type.name)) return &type;
  }
  return nullptr;
}

}  // namespace

bool FileTypeFromName(std::string_view name, FileType& type) {
  for (const FileTypeInfo& info : kFileTypes) {
    if (text::EqualsNoCase(name, info.name)) {
      type = info.type;
      return true;
    }
  }
  return false;
}

bool SetTypesFromList(SearchOptions& options, std::string_view list) {
  std::array<bool, kFileTypeCount> types{};
  bool any = false;
  for (const std::string& item : text::Split(list, ",")) {
    const std::string_view name = text::Trim(item);
    if (name.empty()) continue;
    FileType type{};
    if (!FileTypeFromName(name, type)) return false;
    types[static_cast<size_t>(type)] = true;
    any = true;
  }
  if (!any) return false;
  options.types = types;
  return true;
}

std::string ServiceLabel(std::string_view name) {
  const size_t i = ServiceIndex(name);
  return i < kServiceNames.size() ? kServiceLabels[i] : std::string(name);
}

bool SearchOptions::Asks(std::string_view service) const {
  const size_t i = ServiceIndex(service);
  return i < kServiceNames.size() && sources[i];
}

void SetSources(SearchOptions& options, const std::vector<std::string>& names) {
  for (size_t i = 0; i < kServiceNames.size(); ++i) {
    options.sources[i] = names.empty() || std::find(names.begin(), names.end(), kServiceNames[i]) != names.end();
  }
}

std::string SourcesText(const SearchOptions& options) {
  std::string text;
  for (size_t i = 0; i < kServiceNames.size(); ++i) {
    if (!options.sources[i]) continue;
    if (!text.empty()) text += ',';
    text += kServiceNames[i];
  }
  return text;
}

bool HasKnownTypeEnding(std::string_view url) {
  if (ExtensionType(url)) return true;
  if (url.size() < kTailSize) return false;
  const std::string tail = text::AsciiLower(url.substr(url.size() - kTailSize));
  for (const FileTypeInfo& type : kFileTypes) {
    if (!type.suffix.empty() && tail == type.suffix) return true;
  }
  return false;
}

bool TypeFilterPasses(const SearchOptions& options, std::string_view url) {
  if (const FileTypeInfo* type = ExtensionType(url); type && options.Has(type->type)) return true;
  if (url.size() < kTailSize) return false;
  std::string filter;
  for (const FileTypeInfo& info : kFileTypes) {
    if (!options.Has(info.type) || info.suffix.empty()) continue;
    filter.append(kTokenLead);
    filter.append(info.suffix);
  }
  const std::string tail = text::AsciiLower(url.substr(url.size() - kTailSize));
  return filter.find(tail) != std::string::npos;
}

bool DateSizeFilterPasses(const SearchOptions& options, std::string_view size, std::string_view date) {
  if (size.empty() && date.empty()) return false;
  const int64_t bytes = text::LeadingInt(size);
  if (!FilterPasses(options.sizeFilter, bytes, ReadKb)) return false;
  std::chrono::year_month_day fileDate;
  if (!ReadFilterDate(date, fileDate)) return false;
  return FilterPasses(options.dateFilter, fileDate, ReadFilterDate);
}

bool MaxResultsReached(const SearchOptions& options, uint64_t rowCount) {
  return options.maxResults != 0 && rowCount >= options.maxResults;
}

std::string ListDate(time_t when) {
  std::tm tm{};
  if (!gmtime_r(&when, &tm)) return {};
  return text::Format("%02d/%02d/%04d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
}

bool ReadFilterDate(std::string_view text, std::chrono::year_month_day& date) {
  const std::string_view trimmed = text::Trim(text);
  const size_t first = trimmed.find('/');
  if (first == std::string_view::npos) return false;
  const size_t second = trimmed.find('/', first + 1);
  if (second == std::string_view::npos) return false;
  unsigned month = 0;
  unsigned day = 0;
  unsigned year = 0;
  if (!ReadDateField(trimmed.substr(0, first), month) ||
      !ReadDateField(trimmed.substr(first + 1, second - first - 1), day) ||
      !ReadDateField(trimmed.substr(second + 1), year)) {
    return false;
  }
  if (year < static_cast<unsigned>(kMinYear) || year > static_cast<unsigned>(kMaxYear)) {
    return false;
  }
  date = std::chrono::year_month_day{std::chrono::year{static_cast<int>(year)}, std::chrono::month{month},
                                     std::chrono::day{day}};
  return date.ok();
}

}  // namespace vexon::search
