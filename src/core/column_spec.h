#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexon::core {

struct ColumnDef {
  std::string name;
  int width = 0;
};

// Reads a column layout: entries "name,width" separated by ";". A trailing
// text without a comma is ignored; a width is the value of its leading digits after
// optional blanks and sign (0 when none).
std::vector<ColumnDef> ParseColumnSpec(std::string_view layout);

// The widest column a saved layout may give, in pixels.
inline constexpr int kMaxColumnWidth = 4000;

// Column widths as the settings file keeps them: "25,130,48".
std::string ColumnWidthsText(const std::vector<int>& widths);
// The widths of a list of `count` columns: up to `count` whole numbers from 0 to
// kMaxColumnWidth, comma separated; fewer were saved before the list gained the
// rest. Anything else gives an empty list.
std::vector<int> ParseColumnWidths(std::string_view text, size_t count);

}  // namespace vexon::core
