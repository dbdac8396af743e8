#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexon::hotwords {

// The local copy of the hot-word page and the buffer a refresh downloads into, both
// in the start-up directory.
inline constexpr const char* kWordListFile = "poplist";
inline constexpr const char* kWordListTempFile = "poplisttmp";

// A word-list file larger than this is no word list: it is not read, and a download
// of that size never replaces the local copy.
inline constexpr size_t kMaxWordListBytes = 4 * 1024 * 1024;

inline constexpr size_t kLetterCount = 26;

// The parsed hot-word page, in UTF-8.
struct WordList {
  // Category lines (trimmed), in file order.
  std::vector<std::string> categories;
  // One list per letter "A" to "Z": the entries of that letter's word lines.
  std::array<std::vector<std::string>, kLetterCount> entries;

  bool empty() const;
};

// Parses the page's GB18030 bytes. Lines end at CR LF, LF or a lone CR; a NUL ends
// the line's text, as it would for a C-string reader. Undecodable bytes become
// U+FFFD. Never fails: junk simply yields no categories and no entries.
WordList ParseWordList(std::string_view gb18030Bytes);

// Reads and parses the local file. Nothing when it is missing, larger than
// kMaxWordListBytes, not a regular file or unreadable: the window then shows no list.
std::optional<WordList> ReadWordList(const std::filesystem::path& file);

// The search word (up to the first "|||") and the related word (after it); an entry
// without "|||" is all search word, with "-" as its related word.
std::pair<std::string, std::string> SplitEntry(const std::string& entry);

// The entry list a category line picks: 0 for "A" ... 25 for "Z" as its first
// character; -1 when it starts with anything else.
int CategoryLetterIndex(const std::string& categoryLine);

}  // namespace vexon::hotwords
