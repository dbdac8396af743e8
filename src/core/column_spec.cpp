#include "core/column_spec.h"

#include <limits>

#include "text/strings.h"

namespace vexon::core {

std::vector<ColumnDef> ParseColumnSpec(std::string_view layout) {
  std::vector<ColumnDef> columns;
  size_t pos = 0;
  while (pos <= layout.size()) {
    const size_t comma = layout.find(',', pos);
    if (comma == std::string_view::npos) break;
    ColumnDef column;
    column.name = std::string(layout.substr(pos, comma - pos));
    size_t end = layout.find(';', comma + 1);
    const bool last = end == std::string_view::npos;
    if (last) end = layout.size();
    const int64_t width = text::LeadingInt(layout.substr(comma + 1, end - comma - 1));
    constexpr int64_t kMax = std::numeric_limits<int>::max();
    column.width = static_cast<int>(width > kMax ? kMax : (width < -kMax ? -kMax : width));
    columns.push_back(std::move(column));
    if (last) break;
    pos = end + 1;
  }
  return columns;
}

}  // namespace vexon::core
