// Feeds arbitrary bytes to the result-file reader, and checks that every row has its
// seven fields in clean UTF-8 and that writing the rows back reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/column_spec.h"
#include "core/list_schemas.h"
#include "core/list_table.h"
#include "storage/index_order.h"
#include "storage/result_file.h"
#include "text/encoding.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string WithoutLineBreaks(std::string field) {
  for (char& c : field) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  bool truncated = false;
  const auto rows = vexon::storage::ParseResultFile(bytes, 4096, &truncated);
  Check(rows.size() <= 4096);
  vexon::core::ListTable table(vexon::core::kResultsColumns);
  for (const auto& row : rows) {
    Check(row.size() == vexon::storage::kResultFieldCount);
    for (const std::string& field : row) {
      Check(vexon::text::SanitizeUtf8(field) == field);
      Check(field.find('\n') == std::string::npos);
      Check(field.find(vexon::storage::kResultFieldMarker) == std::string::npos);
    }
    table.AppendRow(row);
  }

  const std::string written = vexon::storage::FormatResultFile(table);
  const auto reread = vexon::storage::ParseResultFile(written, 4096);
  Check(reread.size() == rows.size());
  const std::vector<size_t> order = vexon::storage::RowsInIndexOrder(table);
  for (size_t i = 0; i < reread.size(); ++i) {
    for (size_t column = 0; column < vexon::storage::kResultFieldCount; ++column) {
      Check(reread[i][column] == WithoutLineBreaks(table.Cell(order[i], column)));
    }
  }
  return 0;
}
