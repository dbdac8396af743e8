// Feeds arbitrary bytes to the word-list parser, and checks that what comes out is
// clean UTF-8 without line breaks, that there are at most 26 categories, and that
// every entry splits into a word and a related word that give the entry back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "hotwords/word_list.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckText(const std::string& s) {
  Check(vexon::text::SanitizeUtf8(s) == s);
  Check(s.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vexon::hotwords::WordList list = vexon::hotwords::ParseWordList(bytes);
  Check(list.categories.size() <= 26);
  for (const std::string& category : list.categories) {
    CheckText(category);
    Check(vexon::text::Trim(category) == category);
    Check(category.find("--") != std::string::npos);
    const int letter = vexon::hotwords::CategoryLetterIndex(category);
    Check(letter >= -1 && letter < 26);
  }
  size_t total = 0;
  for (const auto& entries : list.entries) {
    for (const std::string& entry : entries) {
      CheckText(entry);
      const auto [word, related] = vexon::hotwords::SplitEntry(entry);
      if (entry.find("|||") == std::string::npos) {
        Check(word == entry && related == "-");
      } else {
        Check(word + "|||" + related == entry);
        Check(word.find("|||") == std::string::npos);
      }
      ++total;
    }
  }
  // Every word line takes at least its "X|||" and a line end but the last.
  Check(total <= size / 4);
  Check(list.empty() == (list.categories.empty() && total == 0));
  return 0;
}
