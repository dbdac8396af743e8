#include "storage/result_file.h"

#include "core/atomic_file.h"
#include "storage/index_order.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
// The longest file name the file systems take, in bytes.
constexpr size_t kMaxFileNameBytes = 255;

void AppendField(std::string& out, std::string_view cell) {
  for (char c : cell) out += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
  out += kResultFieldMarker;
}

std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> fields;
  fields.reserve(kResultFieldCount);
  size_t start = 0;
  while (fields.size() < kResultFieldCount) {
    const size_t marker = line.find(kResultFieldMarker, start);
    if (marker == std::string_view::npos) {
      fields.emplace_back(line.substr(start));
      break;
    }
    fields.emplace_back(line.substr(start, marker - start));
    start = marker + kResultFieldMarker.size();
  }
  fields.resize(kResultFieldCount);
  return fields;
}

// The longest prefix of whole UTF-8 characters of at most `limit` bytes.
std::string_view CutUtf8(std::string_view s, size_t limit) {
  if (s.size() <= limit) return s;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  return s.substr(0, end);
}

}  // namespace

std::string FormatResultFile(const core::ListTable& results) {
  std::string utf8;
  for (size_t row : RowsInIndexOrder(results)) {
    for (size_t column = 0; column < kResultFieldCount; ++column) {
      AppendField(utf8, results.Cell(row, column));
    }
    utf8 += "\r\n";
  }
  return text::Gb18030FromUtf8(utf8);
}

ResultFileStatus WriteResultFile(const std::filesystem::path& path, const core::ListTable& results) {
  ResultFileStatus status;
  status.ok = core::ReplaceFileAtomically(path, FormatResultFile(results), &status.error);
  return status;
}

std::vector<std::vector<std::string>> ParseResultFile(std::string_view bytes, size_t maxRows, bool* truncated) {
  if (truncated) *truncated = false;
  std::string utf8 = text::Utf8FromGb18030(bytes);
  if (utf8.find('\0') != std::string::npos)
    utf8 = text::ReplaceAll(utf8, std::string_view("\0", 1), kReplacementCharacter);
  std::vector<std::vector<std::string>> rows;
  const std::string_view all = utf8;
  size_t start = 0;
  while (start < all.size()) {
    if (rows.size() == maxRows) {
      if (truncated) *truncated = true;
      break;
    }
    const size_t newline = all.find('\n', start);
    const size_t end = newline == std::string_view::npos ? all.size() : newline;
    std::string_view line = all.substr(start, end - start);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    rows.push_back(SplitFields(line));
    if (newline == std::string_view::npos) break;
    start = newline + 1;
  }
  return rows;
}

ResultFileStatus ReadResultFile(const std::filesystem::path& path, std::vector<std::vector<std::string>>& rows) {
  rows.clear();
  ResultFileStatus status;
  const core::FileBytes file = core::ReadWholeFile(path, kMaxResultFileBytes);
  if (file.status != core::ReadStatus::kOk) {
    status.error = core::DescribeReadFailure(file);
    return status;
  }
  bool truncated = false;
  std::vector<std::vector<std::string>> parsed = ParseResultFile(file.bytes, kMaxResultRows, &truncated);
  if (truncated) {
    status.error = text::Format("more than %zu rows", kMaxResultRows);
    return status;
  }
  rows = std::move(parsed);
  status.ok = true;
  return status;
}

std::filesystem::path DefaultResultFileName(const std::filesystem::path& startDir, std::string_view currentKeyword) {
  std::string name;
  if (currentKeyword.empty()) {
    name = kUnnamedResultFileName;
  } else {
    std::string keyword = text::SanitizeUtf8(currentKeyword);
    for (char& c : keyword) {
      if (c == '/' || c == '\0') c = '_';
    }
    name = std::string(CutUtf8(keyword, kMaxFileNameBytes - kResultFileExtension.size()));
    name += kResultFileExtension;
  }
  return startDir / kResultFolderName / name;
}

std::string KeywordFromResultFileName(const std::filesystem::path& path) {
  return text::ReplaceAll(path.filename().string(), kResultFileExtension, "");
}

}  // namespace vexon::storage
