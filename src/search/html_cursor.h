#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vexon::search {

// A case-insensitive scanner over one page, shared by the result-page parsers.
// Case folding touches the ASCII letters only, so UTF-8 text is safe.
class HtmlCursor final {
 public:
  // "Not found", the -1 of a search.
  static constexpr size_t npos = std::string::npos;

  explicit HtmlCursor(std::string text);

  // First index at or after `start` where `pattern` occurs in any letter case, or npos.
  // A start at or beyond the end of the text gives npos, even for an empty pattern.
  static size_t FindNoCase(std::string_view text, std::string_view pattern, size_t start);

  // Every occurrence of `find` in any letter case replaced by `replace`; the search goes
  // on after each inserted replacement. An empty `find` leaves the text as it is.
  static std::string ReplaceNoCase(std::string_view text, std::string_view find, std::string_view replace);

  // The pattern occurs exactly at pos.
  bool IsAt(std::string_view pattern) const;
  // pos moves to the next occurrence at or after pos; false (pos unchanged) if none.
  bool SkipTo(std::string_view pattern);
  // As SkipTo, but pos moves just past the occurrence.
  bool SkipPast(std::string_view pattern);
  // pos moves back to the last position before it where the pattern occurs; false (pos
  // unchanged) if there is none.
  bool BackTo(std::string_view pattern);
  // The text from pos up to the delimiter into `out`, pos past the delimiter. False, with
  // `out` empty and pos unchanged, when pos is at or past the last byte or the delimiter
  // does not follow.
  bool ReadTo(std::string_view delimiter, std::string& out);
  // As ReadTo, but `out` ends with the delimiter.
  bool ReadThrough(std::string_view delimiter, std::string& out);

  // From the start of the text, every anchor from `open` through "</a>" goes to
  // `visit`, `beforeEach` running first (the parsers pause there). An anchor left open
  // ends the walk; the anchors before it stand.
  void ForEachAnchor(std::string_view open, const std::function<void()>& beforeEach,
                     const std::function<void(const std::string&)>& visit);

  size_t pos() const { return pos_; }
  // Clamped to the length of the text.
  void SetPos(size_t pos);
  const std::string& text() const { return text_; }

 private:
  size_t Find(std::string_view pattern, size_t start) const;
  bool Read(std::string_view delimiter, std::string& out, bool keepDelimiter);

  std::string text_;
  // The text with ASCII letters folded, so every search is a plain, linear one.
  std::string lower_;
  size_t pos_ = 0;
};

}  // namespace vexon::search
