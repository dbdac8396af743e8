#pragma once

#include <string>

namespace vexon::search {

// Turns the HTML of a result anchor into the title shown in the results list; the
// result holds none of / \ : ? * < > " | and can serve as a file name.
void CleanTitle(std::string& title);

// The steps of CleanTitle, each usable alone.

// Drops tags (a "<" without a later ">" is dropped and the rest kept) and decodes the
// few entities that result pages use.
void StripTagsAndEntities(std::string& text);
// Trims white space at both ends and turns every line feed into a blank.
void FlattenLines(std::string& text);
// Turns the characters that a file name cannot hold into blanks and decodes the escaped
// angle brackets, quotes and apostrophes.
void MakeFileSafe(std::string& text);
// Drops carriage returns and every blank that follows another blank.
void CollapseSpaces(std::string& text);

}  // namespace vexon::search
