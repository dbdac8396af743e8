#include "core/row_compare.h"

#include <cstring>
#include <string>

#include "text/strings.h"

namespace vexon::core {
namespace {

bool IsNumberText(std::string_view s) {
  for (char c : s) {
    if (!((c >= '0' && c <= '9') || c == '.')) return false;
  }
  return true;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsDateText(std::string_view s) {
  if (s.size() != 10) return false;
  for (size_t i = 0; i < 10; ++i) {
    const bool slash = i == 2 || i == 5;
    if (slash ? s[i] != '/' : !IsDigit(s[i])) return false;
  }
  return true;
}

// "m:ss" or "h:mm:ss": digits in two or three fields.
bool IsDurationText(std::string_view s) {
  size_t colons = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != ':') {
      if (!IsDigit(s[i])) return false;
    } else if (i == 0 || i + 1 == s.size() || s[i - 1] == ':' || ++colons > 2) {
      return false;
    }
  }
  return colons > 0;
}

uint64_t DurationSeconds(std::string_view s) {
  uint64_t seconds = 0;
  for (const std::string& field : text::Split(s, ":")) seconds = seconds * 60 + text::LeadingDigits(field);
  return seconds;
}

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

uint64_t Field(std::string_view s, size_t from, size_t count) {
  if (from >= s.size()) return 0;
  return text::LeadingDigits(s.substr(from, count));
}

}  // namespace

int CompareCells(std::string_view first, std::string_view second) {
  if (IsNumberText(first)) {
    return Order(text::LeadingDigits(first), text::LeadingDigits(second));
  }
  if (IsDateText(first)) {
    if (int c = Order(Field(first, 6, 4), Field(second, 6, 4))) return c;
    if (int c = Order(Field(first, 0, 2), Field(second, 0, 2))) return c;
    return Order(Field(first, 3, 2), Field(second, 3, 2));
  }
  if (IsDurationText(first)) return Order(DurationSeconds(first), DurationSeconds(second));
  const std::string a(first);
  const std::string b(second);
  const int c = std::strcoll(a.c_str(), b.c_str());
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace vexon::core
