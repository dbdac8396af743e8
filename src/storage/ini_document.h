#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vexon::storage {

// The text of one INI file under the private-profile rules of the platform the
// settings file comes from:
// - a line "[name]" opens a section (the name runs to the last "]" of the line);
//   "key=value" is an entry (the key runs to the first "="); a line whose first
//   non-blank character is ";" is a comment; any other line is stray text;
// - blanks around section names, keys and values are ignored, and a value enclosed
//   in a pair of double or single quotes reads without them;
// - section and key names compare ignoring the case of ASCII letters, and the first
//   matching section, and in it the first matching key, wins; entries before the
//   first section belong to none and cannot be read;
// - an edit rewrites only the line it changes: comments, blank lines and stray text
//   come out byte for byte as they were read.
// The file's bytes are GB18030 with CR LF (LF alone is read too); the names and
// values handled here are UTF-8.
class IniDocument final {
 public:
  IniDocument() = default;

  // Never fails: any bytes make some document (invalid GB18030 reads as U+FFFD).
  static IniDocument Parse(std::string_view bytes);
  std::string Serialize() const;

  // The value, cut to fit `bufferSize` (see CutToBuffer); `defaultValue` without
  // its trailing blanks when the section or key is missing.
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                        size_t bufferSize) const;
  // The value's leading decimal digits (0 when it has none), saturated;
  // `defaultValue` when the key is missing or its value is empty.
  uint32_t GetInt(std::string_view section, std::string_view key, uint32_t defaultValue) const;
  // Every non-empty section name in file order, as many as fit whole into a buffer
  // of `bufferSize` bytes that holds each name and a NUL, and a final NUL.
  std::vector<std::string> SectionNames(size_t bufferSize) const;
  bool HasSection(std::string_view section) const;

  // Creates the section and the key as needed. False, and no change, for a name or
  // value that could not be read back as written (see the IsWritable checks).
  bool SetString(std::string_view section, std::string_view key, std::string_view value);
  // Removes every section of that name with all its lines (a duplicate left behind
  // would surface in its place); returns how many there were.
  size_t RemoveSection(std::string_view section);
  // The same for many sections in one pass; the names are trimmed and lower-cased.
  size_t RemoveSections(const std::unordered_set<std::string>& lowerNames);

  // A section name may not be blank nor hold CR, LF or NUL (a "]" inside it is
  // fine: a header is read up to its last "]"); a key may not be blank, hold "=",
  // CR, LF or NUL, nor start with "[" or ";"; a value may not hold CR, LF or NUL.
  // All three must be valid UTF-8.
  static bool IsWritableSectionName(std::string_view name);
  static bool IsWritableKeyName(std::string_view name);
  static bool IsWritableValue(std::string_view value);

  size_t lineCount() const { return lines_.size(); }

 private:
  enum class LineKind : uint8_t { kOther, kSection, kEntry };
  // A settings file of thousands of records is mostly lines of ASCII, which read the
  // same decoded: such a line keeps its bytes once, and its name and value are
  // places in them.
  struct Line {
    // The bytes as in the file without the line end; when they are not plain ASCII,
    // followed by their UTF-8 decoding, in which the name and value are read.
    std::string text;
    uint32_t rawSize = 0;
    uint32_t nameAt = 0, nameSize = 0;    // section name or key, trimmed
    uint32_t valueAt = 0, valueSize = 0;  // entry value, trimmed
    LineKind kind = LineKind::kOther;

    std::string_view raw() const { return std::string_view(text).substr(0, rawSize); }
    std::string_view name() const { return std::string_view(text).substr(nameAt, nameSize); }
    std::string_view value() const { return std::string_view(text).substr(valueAt, valueSize); }
  };
  struct SectionSpan {
    size_t header = 0;  // its "[name]" line
    size_t end = 0;     // one past its last line
  };

  // Classifies a line from its bytes and their decoding.
  static Line MakeLine(std::string_view raw, std::string_view decoded);
  // A line written by the program, from its UTF-8 text.
  static Line MakeLine(std::string_view utf8);
  void Reindex();
  void IndexSection(size_t section);
  const SectionSpan* FindSection(std::string_view name) const;
  const Line* FindEntry(std::string_view section, std::string_view key) const;

  // A deque: growing a file of thousands of lines never copies them all at once.
  std::deque<Line> lines_;
  std::vector<SectionSpan> sections_;
  // Case-blind hash of a name -> the first section of that name in sections_ (names
  // whose hashes collide share a bucket; the name decides).
  std::unordered_multimap<uint64_t, size_t> firstSection_;
};

}  // namespace vexon::storage
