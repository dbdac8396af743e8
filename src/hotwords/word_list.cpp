#include "hotwords/word_list.h"

#include "core/atomic_file.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::hotwords {
namespace {

// Category lines are only looked for this far into the file.
constexpr size_t kCategoryLineLimit = 26;
constexpr std::string_view kEntrySeparator = "|||";

// Length of the UTF-8 character that starts with `lead` (the text is decoded, so it
// is well formed; a stray byte counts as one).
size_t CharLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Whether the 2nd and 3rd characters of the trimmed line are "--". Both are ASCII,
// so only the first character needs stepping over.
bool IsCategoryLine(std::string_view line) {
  const std::string_view trimmed = text::Trim(line);
  if (trimmed.empty()) return false;
  const size_t first = CharLength(static_cast<unsigned char>(trimmed[0]));
  return trimmed.size() >= first + 2 && trimmed.substr(first, 2) == "--";
}

// The letter index of a word line ("A|||" .. "Z|||" as read), or -1.
int WordLineLetter(std::string_view line) {
  if (line.size() < 4 || line[0] < 'A' || line[0] > 'Z') return -1;
  if (line.substr(1, 3) != kEntrySeparator) return -1;
  return line[0] - 'A';
}

// Splits at CR LF, LF or a lone CR; the last line needs no line end.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      visit(text.substr(start));
      return;
    }
    visit(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}

}  // namespace

bool WordList::empty() const {
  if (!categories.empty()) return false;
  for (const auto& list : entries) {
    if (!list.empty()) return false;
  }
  return true;
}

WordList ParseWordList(std::string_view gb18030Bytes) {
  const std::string decoded = text::Utf8FromGb18030(gb18030Bytes);
  WordList list;
  size_t lineNumber = 0;
  ForEachLine(decoded, [&](std::string_view line) {
    const size_t nul = line.find('\0');
    if (nul != std::string_view::npos) line = line.substr(0, nul);
    if (lineNumber < kCategoryLineLimit && IsCategoryLine(line)) {
      list.categories.emplace_back(text::Trim(line));
    }
    ++lineNumber;
    const int letter = WordLineLetter(line);
    if (letter >= 0) list.entries[static_cast<size_t>(letter)].emplace_back(line.substr(4));
  });
  return list;
}

std::optional<WordList> ReadWordList(const std::filesystem::path& file) {
  const core::FileBytes read = core::ReadWholeFile(file, kMaxWordListBytes);
  if (read.status != core::ReadStatus::kOk) return std::nullopt;
  return ParseWordList(read.bytes);
}

std::pair<std::string, std::string> SplitEntry(const std::string& entry) {
  const size_t mark = entry.find(kEntrySeparator);
  if (mark == std::string::npos) return {entry, "-"};
  return {entry.substr(0, mark), entry.substr(mark + kEntrySeparator.size())};
}

int CategoryLetterIndex(const std::string& categoryLine) {
  if (categoryLine.empty() || categoryLine[0] < 'A' || categoryLine[0] > 'Z') return -1;
  return categoryLine[0] - 'A';
}

}  // namespace vexon::hotwords
