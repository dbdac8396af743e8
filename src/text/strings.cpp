#include "text/strings.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace vexon::text {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

size_t HashNoCase(std::string_view s) {
  // FNV-1a over the lower-cased bytes.
  uint64_t hash = 14695981039346656037ull;
  for (const char c : s) {
    hash ^= static_cast<unsigned char>(AsciiLower(c));
    hash *= 1099511628211ull;
  }
  return static_cast<size_t>(hash);
}

size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from) {
  if (from > hay.size() || needle.size() > hay.size() - from) {
    return needle.empty() && from <= hay.size() ? from : std::string_view::npos;
  }
  if (needle.empty()) return from;
  const std::string lowNeedle = AsciiLower(needle);
  const char first = lowNeedle[0];
  const size_t last = hay.size() - needle.size();
  for (size_t i = from; i <= last; ++i) {
    if (AsciiLower(hay[i]) != first) continue;
    size_t k = 1;
    while (k < needle.size() && AsciiLower(hay[i + k]) == lowNeedle[k]) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsSpace(s[i])) ++i;
  return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && IsSpace(s[n - 1])) --n;
  return s.substr(0, n);
}

std::string_view Trim(std::string_view s) {
  return TrimRight(TrimLeft(s));
}

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  size_t pos = 0;
  while (true) {
    size_t hit = s.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(s.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(s.substr(pos));
  return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::vector<std::string> Split(std::string_view s, std::string_view separator) {
  std::vector<std::string> parts;
  if (separator.empty()) {
    parts.emplace_back(s);
    return parts;
  }
  size_t pos = 0;
  while (true) {
    size_t hit = s.find(separator, pos);
    if (hit == std::string_view::npos) {
      parts.emplace_back(s.substr(pos));
      return parts;
    }
    parts.emplace_back(s.substr(pos, hit - pos));
    pos = hit + separator.size();
  }
}

std::string FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[256];
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<size_t>(n));
  return out;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = FormatV(format, args);
  va_end(args);
  return out;
}

bool IsHexDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return HexDigitValue(c) >= 0; });
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendPercentEscape(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

uint64_t LeadingDigits(std::string_view s) {
  uint64_t value = 0;
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  for (char c : s) {
    if (c < '0' || c > '9') break;
    const auto d = static_cast<uint64_t>(c - '0');
    if (value > (kMax - d) / 10) return kMax;
    value = value * 10 + d;
  }
  return value;
}

int64_t LeadingInt(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  const uint64_t magnitude = LeadingDigits(s.substr(i));
  constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  const int64_t clipped = static_cast<int64_t>(magnitude > kMax ? kMax : magnitude);
  return negative ? -clipped : clipped;
}

}  // namespace vexon::text
