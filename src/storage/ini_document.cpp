#include "storage/ini_document.h"

#include <algorithm>
#include <deque>
#include <limits>

#include "storage/buffer_cut.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

// Splits at LF and drops the CR of a CR LF; a final line end opens no further line.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t newline = bytes.find('\n', start);
    const size_t end = newline == std::string_view::npos ? bytes.size() : newline;
    std::string_view line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (newline == std::string_view::npos) break;
    start = newline + 1;
  }
  return lines;
}

bool HoldsAny(std::string_view s, std::string_view bytes) {
  return s.find_first_of(bytes) != std::string_view::npos;
}

bool IsValidUtf8(std::string_view s) {
  return text::SanitizeUtf8(s) == s;
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

uint32_t Offset(std::string_view part, const std::string& whole) {
  return static_cast<uint32_t>(part.data() - whole.data());
}

}  // namespace

IniDocument::Line IniDocument::MakeLine(std::string_view raw, std::string_view decoded) {
  Line line;
  line.text = std::string(raw);
  line.rawSize = static_cast<uint32_t>(raw.size());
  if (decoded != raw) line.text += decoded;
  const std::string_view all(line.text);
  const std::string_view content = text::TrimLeft(all.substr(all.size() - decoded.size()));
  if (!content.empty() && content.front() == '[') {
    const size_t close = content.rfind(']');
    if (close != std::string_view::npos) {
      const std::string_view name = text::Trim(content.substr(1, close - 1));
      line.kind = LineKind::kSection;
      line.nameAt = Offset(name, line.text);
      line.nameSize = static_cast<uint32_t>(name.size());
    }
  } else if (!content.empty() && content.front() != ';') {
    const size_t equals = content.find('=');
    if (equals != std::string_view::npos) {
      const std::string_view key = text::Trim(content.substr(0, equals));
      if (!key.empty()) {
        const std::string_view value = text::Trim(content.substr(equals + 1));
        line.kind = LineKind::kEntry;
        line.nameAt = Offset(key, line.text);
        line.nameSize = static_cast<uint32_t>(key.size());
        line.valueAt = Offset(value, line.text);
        line.valueSize = static_cast<uint32_t>(value.size());
      }
    }
  }
  return line;
}

IniDocument::Line IniDocument::MakeLine(std::string_view utf8) {
  return MakeLine(text::Gb18030FromUtf8(utf8), utf8);
}

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  const std::vector<std::string_view> raw = SplitLines(bytes);
  // CR and LF never occur inside a GB18030 character, and the decoder replaces a bad
  // byte by U+FFFD one byte at a time, so decoding the whole text at once keeps its
  // lines. Should the counts ever differ, each line is decoded by itself.
  const std::string decodedText = text::Utf8FromGb18030(bytes);
  std::vector<std::string_view> decoded = SplitLines(decodedText);
  std::vector<std::string> perLine;
  if (decoded.size() != raw.size()) {
    perLine.reserve(raw.size());
    for (std::string_view line : raw) perLine.push_back(text::Utf8FromGb18030(line));
    decoded.assign(perLine.begin(), perLine.end());
  }

  for (size_t i = 0; i < raw.size(); ++i) doc.lines_.push_back(MakeLine(raw[i], decoded[i]));
  doc.Reindex();
  return doc;
}

std::string IniDocument::Serialize() const {
  size_t size = 0;
  for (const Line& line : lines_) size += line.rawSize + 2;
  std::string out;
  out.reserve(size);
  for (const Line& line : lines_) {
    out += line.raw();
    out += "\r\n";
  }
  return out;
}

void IniDocument::Reindex() {
  sections_.clear();
  firstSection_.clear();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != LineKind::kSection) continue;
    if (!sections_.empty()) sections_.back().end = i;
    sections_.push_back({i, lines_.size()});
    IndexSection(sections_.size() - 1);
  }
}

void IniDocument::IndexSection(size_t section) {
  const std::string_view name = lines_[sections_[section].header].name();
  // Only the first section of a name is found; a later one of the same name is not
  // indexed.
  if (FindSection(name)) return;
  firstSection_.emplace(text::HashNoCase(name), section);
}

const IniDocument::SectionSpan* IniDocument::FindSection(std::string_view name) const {
  const std::string_view wanted = text::Trim(name);
  const auto [first, last] = firstSection_.equal_range(text::HashNoCase(wanted));
  for (auto it = first; it != last; ++it) {
    const SectionSpan& span = sections_[it->second];
    if (text::EqualsNoCase(lines_[span.header].name(), wanted)) return &span;
  }
  return nullptr;
}

const IniDocument::Line* IniDocument::FindEntry(std::string_view section, std::string_view key) const {
  const SectionSpan* span = FindSection(section);
  if (!span) return nullptr;
  const std::string_view wanted = text::Trim(key);
  for (size_t i = span->header + 1; i < span->end; ++i) {
    const Line& line = lines_[i];
    if (line.kind == LineKind::kEntry && text::EqualsNoCase(line.name(), wanted)) return &line;
  }
  return nullptr;
}

bool IniDocument::HasSection(std::string_view section) const {
  return FindSection(section) != nullptr;
}

std::string IniDocument::GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                   size_t bufferSize) const {
  const Line* stored = FindEntry(section, key);
  if (!stored) return CutToBuffer(text::TrimRight(defaultValue), bufferSize);
  std::string_view value = stored->value();
  // The caller's buffer is a C string: a NUL ends the value.
  value = value.substr(0, value.find('\0'));
  return CutToBuffer(StripQuotes(value), bufferSize);
}

uint32_t IniDocument::GetInt(std::string_view section, std::string_view key, uint32_t defaultValue) const {
  const Line* stored = FindEntry(section, key);
  if (!stored) return defaultValue;
  std::string_view value = stored->value();
  value = StripQuotes(value.substr(0, value.find('\0')));
  if (value.empty()) return defaultValue;
  const uint64_t number = text::LeadingDigits(value);
  return static_cast<uint32_t>(std::min<uint64_t>(number, std::numeric_limits<uint32_t>::max()));
}

std::vector<std::string> IniDocument::SectionNames(size_t bufferSize) const {
  std::vector<std::string> names;
  size_t used = 1;  // the NUL that ends the list
  for (const SectionSpan& span : sections_) {
    const std::string_view name = lines_[span.header].name();
    if (name.empty()) continue;
    const size_t need = Gb18030Size(name) + 1;
    if (used + need > bufferSize) break;
    used += need;
    names.emplace_back(name);
  }
  return names;
}

bool IniDocument::IsWritableSectionName(std::string_view name) {
  return !text::Trim(name).empty() && !HoldsAny(name, std::string_view("\r\n\0", 3)) && IsValidUtf8(name);
}

bool IniDocument::IsWritableKeyName(std::string_view name) {
  const std::string_view key = text::Trim(name);
  return !key.empty() && key.front() != '[' && key.front() != ';' && !HoldsAny(name, std::string_view("=\r\n\0", 4)) &&
         IsValidUtf8(name);
}

bool IniDocument::IsWritableValue(std::string_view value) {
  return !HoldsAny(value, std::string_view("\r\n\0", 3)) && IsValidUtf8(value);
}

bool IniDocument::SetString(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsWritableSectionName(section) || !IsWritableKeyName(key) || !IsWritableValue(value)) {
    return false;
  }
  const std::string sectionName(text::Trim(section));
  const std::string keyName(text::Trim(key));
  const SectionSpan* span = FindSection(sectionName);
  if (!span) {
    // A new section goes at the end: the other spans stay as they are.
    const size_t headerLine = lines_.size();
    lines_.push_back(MakeLine("[" + sectionName + "]"));
    lines_.push_back(MakeLine(keyName + "=" + std::string(value)));
    sections_.push_back({headerLine, lines_.size()});
    IndexSection(sections_.size() - 1);
    return true;
  }
  size_t insertAt = span->header + 1;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    Line& line = lines_[i];
    if (line.kind != LineKind::kEntry) continue;
    if (text::EqualsNoCase(line.name(), keyName)) {
      // Already so: leave the line as it stands, spacing and all.
      if (line.value() == value) return true;
      // The key keeps the spelling the file gave it.
      line = MakeLine(std::string(line.name()) + "=" + std::string(value));
      return true;
    }
    insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), MakeLine(keyName + "=" + std::string(value)));
  // The names stay where they were; only the spans at and after the line move.
  for (SectionSpan& other : sections_) {
    if (other.header >= insertAt) ++other.header;
    if (other.end >= insertAt) ++other.end;
  }
  return true;
}

size_t IniDocument::RemoveSections(const std::unordered_set<std::string>& lowerNames) {
  if (lowerNames.empty()) return 0;
  std::deque<Line> kept;
  size_t removed = 0;
  size_t next = 0;  // the first line not yet copied
  for (const SectionSpan& span : sections_) {
    if (!lowerNames.contains(text::AsciiLower(lines_[span.header].name()))) continue;
    for (size_t i = next; i < span.header; ++i) kept.push_back(std::move(lines_[i]));
    next = span.end;
    ++removed;
  }
  if (removed == 0) return 0;
  for (size_t i = next; i < lines_.size(); ++i) kept.push_back(std::move(lines_[i]));
  lines_.swap(kept);
  Reindex();
  return removed;
}

size_t IniDocument::RemoveSection(std::string_view section) {
  const std::string_view wanted = text::Trim(section);
  size_t removed = 0;
  for (size_t s = sections_.size(); s-- > 0;) {
    const SectionSpan span = sections_[s];
    if (!text::EqualsNoCase(lines_[span.header].name(), wanted)) continue;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(span.header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(span.end));
    ++removed;
  }
  if (removed > 0) Reindex();
  return removed;
}

}  // namespace vexon::storage
