#include "search/html_cursor.h"

#include <algorithm>
#include <utility>

#include "text/strings.h"

namespace vexon::search {

HtmlCursor::HtmlCursor(std::string text) : text_(std::move(text)), lower_(text::AsciiLower(text_)) {}

size_t HtmlCursor::FindNoCase(std::string_view text, std::string_view pattern, size_t start) {
  if (start >= text.size()) return npos;
  return text::FindNoCase(text, pattern, start);
}

std::string HtmlCursor::ReplaceNoCase(std::string_view text, std::string_view find, std::string_view replace) {
  if (find.empty()) return std::string(text);
  const std::string lowText = text::AsciiLower(text);
  const std::string lowFind = text::AsciiLower(find);
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  while (true) {
    const size_t hit = lowText.find(lowFind, from);
    if (hit == std::string::npos) break;
    out.append(text.substr(from, hit - from));
    out.append(replace);
    from = hit + find.size();
  }
  out.append(text.substr(from));
  return out;
}

size_t HtmlCursor::Find(std::string_view pattern, size_t start) const {
  if (start >= lower_.size()) return npos;
  return lower_.find(text::AsciiLower(pattern), start);
}

bool HtmlCursor::IsAt(std::string_view pattern) const {
  if (pos_ >= lower_.size() || pattern.size() > lower_.size() - pos_) return false;
  for (size_t k = 0; k < pattern.size(); ++k) {
    if (lower_[pos_ + k] != text::AsciiLower(pattern[k])) return false;
  }
  return true;
}

bool HtmlCursor::SkipTo(std::string_view pattern) {
  const size_t hit = Find(pattern, pos_);
  if (hit == npos) return false;
  pos_ = hit;
  return true;
}

bool HtmlCursor::SkipPast(std::string_view pattern) {
  const size_t hit = Find(pattern, pos_);
  if (hit == npos) return false;
  pos_ = hit + pattern.size();
  return true;
}

bool HtmlCursor::BackTo(std::string_view pattern) {
  if (pos_ == 0 || lower_.empty()) return false;
  // The last start at or before pos - 1 that is still inside the text.
  const size_t last = std::min(pos_ - 1, lower_.size() - 1);
  const size_t hit = lower_.rfind(text::AsciiLower(pattern), last);
  if (hit == std::string::npos) return false;
  pos_ = hit;
  return true;
}

bool HtmlCursor::Read(std::string_view delimiter, std::string& out, bool keepDelimiter) {
  out.clear();
  if (pos_ + 1 >= text_.size()) return false;
  const size_t hit = Find(delimiter, pos_);
  if (hit == npos) return false;
  const size_t end = keepDelimiter ? hit + delimiter.size() : hit;
  out.assign(text_, pos_, end - pos_);
  pos_ = hit + delimiter.size();
  return true;
}

bool HtmlCursor::ReadTo(std::string_view delimiter, std::string& out) {
  return Read(delimiter, out, false);
}

bool HtmlCursor::ReadThrough(std::string_view delimiter, std::string& out) {
  return Read(delimiter, out, true);
}

void HtmlCursor::SetPos(size_t pos) {
  pos_ = std::min(pos, text_.size());
}

void HtmlCursor::ForEachAnchor(std::string_view open, const std::function<void()>& beforeEach,
                               const std::function<void(const std::string&)>& visit) {
  SetPos(0);
  std::string anchor;
  while (SkipTo(open)) {
    beforeEach();
    if (!ReadThrough("</a>", anchor)) break;
    visit(anchor);
  }
}

}  // namespace vexon::search
