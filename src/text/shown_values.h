#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vexon::text {

// How the lists show values whose cells keep what files and services need: bytes,
// the services' dates, encoded URLs. Each gives an empty text when the value is not
// of its kind, and the caller then shows the cell as it stands.

// A byte count 1024-based with one decimal: "5.8 MB", "522.0 KB", "1.0 GB"; below
// 1 KB the bytes themselves: "1023 B". The text must be digits only and fit 64 bits.
std::string SizeForPeople(std::string_view bytes);

// The same count with its digits in groups of three: "6,075,944".
std::string GroupedDigits(std::string_view bytes);

// A month/day/year date ("07/04/2017", "7/4/2017") in year/month/day order without
// leading zeros, the form date filters are written in: "2017/7/4".
std::string DateForPeople(std::string_view monthDayYear);

// A URL as a browser's address bar shows it: escapes that spell UTF-8 letters are
// decoded, escapes of ASCII bytes stay (they may be delimiters), and control,
// direction and invisible characters, raw or escaped, are shown as %XX.
std::string UrlForPeople(std::string_view url);

// A text cut in its middle to at most `limit` bytes (UTF-8 sequences kept whole), with "…" between its start and its
// end; shorter texts stay as they are.
std::string MiddleCut(std::string_view text, size_t limit);

}  // namespace vexon::text
