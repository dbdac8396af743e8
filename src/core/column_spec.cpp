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

std::string ColumnWidthsText(const std::vector<int>& widths) {
  std::string out;
  for (int width : widths) out += (out.empty() ? "" : ",") + std::to_string(width);
  return out;
}

std::vector<int> ParseColumnWidths(std::string_view text, size_t count) {
  std::vector<int> widths;
  for (const std::string& field : text::Split(text, ",")) {
    if (field.empty() || field.size() > 4 || field.find_first_not_of("0123456789") != std::string::npos) return {};
    const int width = std::stoi(field);
    if (width > kMaxColumnWidth) return {};
    widths.push_back(width);
  }
  if (widths.size() > count) return {};
  return widths;
}

}  // namespace vexon::core
