#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexon::update {

// CompareVersions' answers besides 1 (site higher), 0 (equal) and -1 (site lower).
inline constexpr int kSiteVersionMalformed = -21;
inline constexpr int kOwnVersionMalformed = -22;

// Compares two versions of one to four decimal numbers joined by "." (empty pieces
// between dots are skipped, missing pieces count as 0). A text with no piece, more
// than four, or any character besides digits and "." is malformed; the site's text
// is judged first. Pieces of any length compare by their exact value.
int CompareVersions(std::string_view site, std::string_view own);

// The text of a file-version stamp of four 16-bit numbers, most significant first:
// all four when the last two are not both 0, else the first two when they are not
// both 0, else empty (no usable stamp).
std::string VersionStampText(uint16_t a, uint16_t b, uint16_t c, uint16_t d);

// The stamp text of a dotted version of up to four numbers ("0.1.0.1"); empty when
// it is not one, or a number does not fit 16 bits.
std::string VersionStampTextOf(std::string_view dotted);

// The version this program was built as, in the stamp's form.
std::string OwnVersionText();

}  // namespace vexon::update
