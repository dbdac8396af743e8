#include "download/pasted_links.h"

#include <unordered_set>

#include "net/url.h"
#include "storage/settings_store.h"
#include "text/strings.h"

namespace vexon::download {
namespace {

// A link as prose or markup wraps it: without the brackets, quotes and the
// punctuation of a sentence around it.
std::string_view Unwrapped(std::string_view word) {
  constexpr std::string_view kBefore = "(<[\"'";
  constexpr std::string_view kAfter = ",.;:!?)]}>\"'";
  while (!word.empty() && kBefore.find(word.front()) != std::string_view::npos) word.remove_prefix(1);
  while (!word.empty() && kAfter.find(word.back()) != std::string_view::npos) word.remove_suffix(1);
  return word;
}

// Calls `word` with each blank-separated word of `text` outside comment lines,
// until it returns false.
template <typename Visit>
void EachWord(std::string_view text, Visit word) {
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text::Trim(text.substr(at, end - at));
    at = end + 1;
    if (!line.empty() && line.front() == '#') continue;
    size_t from = 0;
    while (from < line.size()) {
      while (from < line.size() && text::IsSpace(line[from])) ++from;
      size_t to = from;
      while (to < line.size() && !text::IsSpace(line[to])) ++to;
      const std::string_view found = Unwrapped(line.substr(from, to - from));
      if (!found.empty() && !word(found)) return;
      from = to;
    }
  }
}

bool IsTakenAddress(std::string_view word) {
  return word.size() <= storage::kMaxRecordUrlBytes && net::IsWebAddress(word);
}

}  // namespace

PastedLinks ReadPastedLinks(std::string_view text) {
  PastedLinks links;
  if (text.size() > kMaxPastedBytes) {
    links.refused = true;
    return links;
  }
  std::unordered_set<std::string_view> seen;
  EachWord(text, [&](std::string_view word) {
    if (!IsTakenAddress(word)) {
      ++links.ignored;
    } else if (seen.insert(word).second) {
      if (links.urls.size() == kMaxPastedAddresses) {
        links.refused = true;
        return false;
      }
      links.urls.emplace_back(word);
    }
    return true;
  });
  if (links.refused) links.urls.clear();
  return links;
}

bool IsOnlyAddresses(std::string_view text) {
  bool any = false;
  bool only = true;
  EachWord(text, [&](std::string_view word) {
    any = true;
    only = IsTakenAddress(word);
    return only;
  });
  return any && only;
}

}  // namespace vexon::download
