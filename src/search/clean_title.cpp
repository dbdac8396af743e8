#include "search/clean_title.h"

#include <array>
#include <string_view>

#include "search/html_cursor.h"
#include "text/strings.h"

namespace vexon::search {
namespace {

struct EntityRule {
  std::string_view entity;
  std::string_view replacement;
};

// Rows run in this order, so "&amp;auml;" is decoded twice and ends up empty.
constexpr EntityRule kEntities[] = {
    {"&nbsp;", " "},  {"&amp;", "&"},   {"&aring;", ""},  {"&auml;", ""}, {"&eacute;", ""},
    {"&iacute;", ""}, {"&igrave;", ""}, {"&ograve;", ""}, {"&ouml;", ""}, {"&szlig;", ""},
};

constexpr std::string_view kFileUnsafe = "/\\:?*<>\"|";

constexpr std::array<bool, 256> MakeUnsafeTable() {
  std::array<bool, 256> table{};
  for (char c : kFileUnsafe) table[static_cast<unsigned char>(c)] = true;
  return table;
}
constexpr std::array<bool, 256> kIsFileUnsafe = MakeUnsafeTable();

constexpr EntityRule kEscapes[] = {
    {"&lt;", "["},
    {"&gt;", "]"},
    {"&quot;", ""},
    {"&#39;", "'"},
};

void RemoveTags(std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  while (from < text.size()) {
    const size_t open = text.find('<', from);
    if (open == std::string::npos) {
      out.append(text, from, std::string::npos);
      break;
    }
    out.append(text, from, open - from);
    const size_t close = text.find('>', open + 1);
    if (close == std::string::npos) {
      out.append(text, open + 1, std::string::npos);
      break;
    }
    from = close + 1;
  }
  text = std::move(out);
}

void Trim(std::string& text) {
  const std::string_view trimmed = text::Trim(text);
  if (trimmed.size() == text.size()) return;
  text = std::string(trimmed);
}

}  // namespace

void StripTagsAndEntities(std::string& text) {
  RemoveTags(text);
  for (const EntityRule& rule : kEntities) {
    if (text.find(rule.entity) == std::string::npos) continue;
    text = HtmlCursor::ReplaceNoCase(text, rule.entity, rule.replacement);
  }
}

void FlattenLines(std::string& text) {
  Trim(text);
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
}

void MakeFileSafe(std::string& text) {
  for (char& c : text) {
    if (kIsFileUnsafe[static_cast<unsigned char>(c)]) c = ' ';
  }
  for (const EntityRule& rule : kEscapes) {
    if (text.find(rule.entity) == std::string::npos) continue;
    text = text::ReplaceAll(text, rule.entity, rule.replacement);
  }
}

void CollapseSpaces(std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\r') continue;
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out.push_back(c);
  }
  text = std::move(out);
}

void CleanTitle(std::string& title) {
  StripTagsAndEntities(title);
  FlattenLines(title);
  MakeFileSafe(title);
  CollapseSpaces(title);
  Trim(title);
}

}  // namespace vexon::search
