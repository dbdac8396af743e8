#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::text {

// Case folding touches the ASCII letters only, so it is safe on UTF-8 and GB18030.
char AsciiLower(char c);
std::string AsciiLower(std::string_view s);
std::string AsciiUpper(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
// A hash that agrees with EqualsNoCase: names that compare equal hash alike.
size_t HashNoCase(std::string_view s);
// Index of the first occurrence of `needle` at or after `from`, comparing ASCII
// letters without case; npos when absent.
size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from = 0);

// White space: blank, TAB, CR, LF, VT, FF.
bool IsSpace(char c);
std::string_view Trim(std::string_view s);
std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
std::vector<std::string> Split(std::string_view s, std::string_view separator);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

// The value of the leading decimal digits after optional blanks and sign, 0 when
// there are none; saturates instead of overflowing.
int64_t LeadingInt(std::string_view s);
// Leading decimal digits only (no sign, no blanks); 0 when none; saturates.
uint64_t LeadingDigits(std::string_view s);
// Not empty, and nothing but 0-9, a-f, A-F.
bool IsHexDigits(std::string_view s);
// The value of one hex digit, -1 for any other character.
int HexDigitValue(char c);
// Appends `byte` as "%XX" with upper-case digits.
void AppendPercentEscape(std::string& out, unsigned char byte);

}  // namespace vexon::text
