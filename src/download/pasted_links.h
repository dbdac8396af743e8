#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::download {

// More addresses than this in one paste or drop are refused whole: the text is taken
// for something else than a list of links.
inline constexpr size_t kMaxPastedAddresses = 10000;
// A text longer than this is not read at all.
inline constexpr size_t kMaxPastedBytes = 8u << 20;

// What a pasted or dropped text holds for the download list.
struct PastedLinks {
  std::vector<std::string> urls;  // http and https addresses, each once, in order
  size_t ignored = 0;             // words that are no such address (or too long for a record)
  bool refused = false;           // too long a text or too many addresses: nothing is taken
};

// The http and https addresses of a text: each blank-separated word that is one
// (a text/uri-list's comment lines skipped). Other schemes, addresses longer than a
// download record keeps, and plain words are counted as ignored.
PastedLinks ReadPastedLinks(std::string_view text);

// Whether words typed into the search box are nothing but such addresses.
bool IsOnlyAddresses(std::string_view text);

}  // namespace vexon::download
