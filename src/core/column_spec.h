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

}  // namespace vexon::core
