#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/column_spec.h"
#include "core/list_table.h"
#include "text/strings.h"

namespace {

constexpr size_t kRows = 6;

}  // namespace

// The input is a list of columns; its ";" pieces also fill the cells, so the
// compare rules see numbers, dates and text that came from the fuzzer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<vexon::core::ColumnDef> columns = vexon::core::ParseColumnSpec(input);

  vexon::core::ListTable table(input);
  if (table.columnCount() != columns.size()) __builtin_trap();

  const std::vector<std::string> pieces = vexon::text::Split(input, ";");
  size_t next = 0;
  for (size_t row = 0; row < kRows; ++row) {
    std::vector<std::string> cells;
    for (size_t column = 0; column < table.columnCount(); ++column) {
      cells.push_back(pieces[next++ % pieces.size()]);
    }
    if (row % 2 == 1 && !cells.empty()) cells.pop_back();
    table.AppendRow(std::move(cells), static_cast<int>(row));
  }
  if (table.rowCount() != kRows) __builtin_trap();

  for (size_t column = 0; column < table.columnCount(); ++column) {
    for (bool ascending : {true, false}) {
      table.Sort(column, ascending);
      if (table.rowCount() != kRows) __builtin_trap();
    }
  }
  // A sort only reorders: every row is still there once.
  std::vector<int> images;
  for (size_t row = 0; row < table.rowCount(); ++row) images.push_back(table.Image(row));
  std::sort(images.begin(), images.end());
  for (size_t row = 0; row < kRows; ++row) {
    if (images[row] != static_cast<int>(row)) __builtin_trap();
  }
  table.Sort(table.columnCount(), true);
  // Numbered, column 0 gives every row a place of its own, from 0.
  table.NumberRowsInColumn0();
  if (table.columnCount() > 0) {
    std::vector<std::string> numbers;
    for (size_t row = 0; row < table.rowCount(); ++row) numbers.push_back(table.Cell(row, 0));
    for (size_t place = 0; place < kRows; ++place) {
      if (std::find(numbers.begin(), numbers.end(), std::to_string(place)) == numbers.end()) __builtin_trap();
    }
  }
  return 0;
}
