#include "text/shown_values.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::text {
namespace {

// Digits only, within 64 bits.
std::optional<uint64_t> WholeNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 20) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// Characters a reader cannot see or that turn the text around: controls, blanks
// other than the ASCII one, zero-width and direction marks, separators, BOM.
bool Hidden(uint32_t c) {
  if (c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || c == 0x061C || c == 0x1680 || c == 0x180E) return true;
  if ((c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) || (c >= 0x205F && c <= 0x206F)) return true;
  return c == 0x3000 || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

void AppendEscaped(std::string& out, std::string_view bytes) {
  for (char c : bytes) AppendPercentEscape(out, static_cast<unsigned char>(c));
}

}  // namespace

std::string SizeForPeople(std::string_view bytes) {
  const std::optional<uint64_t> count = WholeNumber(bytes);
  if (!count) return {};
  if (*count < 1024) return Format("%llu B", static_cast<unsigned long long>(*count));
  static constexpr std::array<const char*, 3> kUnits = {"KB", "MB", "GB"};
  size_t unit = 0;
  while (unit + 1 < kUnits.size() && *count >= (uint64_t{1} << (10 * (unit + 2)))) ++unit;
  // Tenths of the unit, rounded; a count that rounds up to 1024 of a unit is one of
  // the next ("1.0 MB", not "1024.0 KB").
  const auto tenths = [&count](size_t u) {
    const uint64_t size = uint64_t{1} << (10 * (u + 1));
    return *count / size * 10 + (*count % size * 10 + size / 2) / size;
  };
  uint64_t shown = tenths(unit);
  if (shown >= 10240 && unit + 1 < kUnits.size()) shown = tenths(++unit);
  return Format("%llu.%llu %s", static_cast<unsigned long long>(shown / 10),
                static_cast<unsigned long long>(shown % 10), kUnits[unit]);
}

std::string GroupedDigits(std::string_view bytes) {
  if (!WholeNumber(bytes)) return {};
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && (bytes.size() - i) % 3 == 0) out += ',';
    out += bytes[i];
  }
  return out;
}

std::string DateForPeople(std::string_view monthDayYear) {
  const std::vector<std::string> parts = Split(monthDayYear, "/");
  if (parts.size() != 3 || parts[0].size() > 2 || parts[1].size() > 2 || parts[2].size() != 4) return {};
  const std::optional<uint64_t> month = WholeNumber(parts[0]);
  const std::optional<uint64_t> day = WholeNumber(parts[1]);
  if (!month || !day || !WholeNumber(parts[2]) || *month < 1 || *month > 12 || *day < 1 || *day > 31) return {};
  return Format("%s/%llu/%llu", parts[2].c_str(), static_cast<unsigned long long>(*month),
                static_cast<unsigned long long>(*day));
}

std::string UrlForPeople(std::string_view url) {
  // The URL's bytes with each escape's byte in place, and which bytes were escaped.
  std::string bytes;
  std::vector<bool> escaped;
  bytes.reserve(url.size());
  escaped.reserve(url.size());
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size() && HexDigitValue(url[i + 1]) >= 0 && HexDigitValue(url[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigitValue(url[i + 1]) * 16 + HexDigitValue(url[i + 2]));
      escaped.push_back(true);
      i += 2;
    } else {
      bytes += url[i];
      escaped.push_back(false);
    }
  }
  std::string out;
  out.reserve(url.size());
  for (size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    if (b < 0x80) {
      // An escaped ASCII byte may be a delimiter: it stays escaped.
      if (escaped[i] || b < 0x20 || b == 0x7F) {
        AppendEscaped(out, bytes.substr(i, 1));
      } else {
        out += bytes[i];
      }
      ++i;
      continue;
    }
    const Utf8Char c = DecodeUtf8Char(std::string_view(bytes).substr(i));
    if (c.length == 0 || Hidden(c.value)) {
      AppendEscaped(out, bytes.substr(i, c.length == 0 ? 1 : c.length));
      i += c.length == 0 ? 1 : c.length;
      continue;
    }
    out.append(bytes, i, c.length);
    i += c.length;
  }
  return out;
}

std::string MiddleCut(std::string_view text, size_t limit) {
  if (text.size() <= limit) return std::string(text);
  static constexpr std::string_view kEllipsis = "\xE2\x80\xA6";
  const size_t keep = limit > kEllipsis.size() ? (limit - kEllipsis.size()) / 2 : 0;
  // The cuts fall on the starts of UTF-8 sequences.
  const auto continues = [&text](size_t at) { return (static_cast<uint8_t>(text[at]) & 0xC0) == 0x80; };
  size_t headEnd = keep;
  while (headEnd > 0 && continues(headEnd)) --headEnd;
  size_t tailStart = text.size() - keep;
  while (tailStart < text.size() && continues(tailStart)) ++tailStart;
  std::string out(text.substr(0, headEnd));
  out += kEllipsis;
  out += text.substr(tailStart);
  return out;
}

}  // namespace vexon::text
