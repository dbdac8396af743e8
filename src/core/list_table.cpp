#include "core/list_table.h"

#include <numeric>
#include <stdexcept>

#include "core/row_compare.h"
#include "text/strings.h"

namespace vexon::core {
namespace {

// A bottom-up merge sort of indices. The list's compare rule depends on which row
// comes first, so it is not a strict weak order; std::sort may run out of bounds on
// such a rule, a merge sort never does.
template <typename Less>
void MergeSortIndices(std::vector<size_t>& order, Less less) {
  const size_t n = order.size();
  std::vector<size_t> buffer(n);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      const size_t mid = std::min(lo + width, n);
      const size_t hi = std::min(lo + 2 * width, n);
      size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) buffer[k++] = less(order[j], order[i]) ? order[j++] : order[i++];
      while (i < mid) buffer[k++] = order[i++];
      while (j < hi) buffer[k++] = order[j++];
    }
    order.swap(buffer);
  }
}

}  // namespace

ListTable::ListTable(std::string_view columnSpec) : columns_(ParseColumnSpec(columnSpec)) {}

size_t ListTable::AppendRow(std::vector<std::string> cells, int image, uint64_t key) {
  cells.resize(columns_.size());
  RowData row;
  row.marks.assign(columns_.size(), 0);
  row.cells = std::move(cells);
  row.image = image;
  row.key = key;
  IndexAdd(row);
  rows_.push_back(std::move(row));
  const size_t index = rows_.size() - 1;
  if (observer_) observer_->RowsInserted(index, 1);
  return index;
}

void ListTable::RemoveRow(size_t row) {
  if (row >= rows_.size()) return;
  IndexRemove(rows_[row]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  if (observer_) observer_->RowsRemoved(row, 1);
}

void ListTable::Clear() {
  const size_t n = rows_.size();
  rows_.clear();
  index_.clear();
  if (observer_ && n > 0) observer_->RowsRemoved(0, n);
}

const std::string& ListTable::Cell(size_t row, size_t column) const {
  static const std::string kEmpty;
  if (row >= rows_.size() || column >= columns_.size()) return kEmpty;
  return rows_[row].cells[column];
}

void ListTable::SetCell(size_t row, size_t column, std::string value) {
  if (row >= rows_.size() || column >= columns_.size()) return;
  std::string& cell = rows_[row].cells[column];
  if (cell == value) return;
  if (column == indexedColumn_) IndexRemove(rows_[row]);
  cell = std::move(value);
  if (column == indexedColumn_) IndexAdd(rows_[row]);
  if (observer_) observer_->CellsChanged(row, column, column);
}

bool ListTable::Mark(size_t row, size_t column) const {
  if (row >= rows_.size() || column >= columns_.size()) return false;
  return rows_[row].marks[column] != 0;
}

void ListTable::SetRowMarks(size_t row, bool marked) {
  if (row >= rows_.size()) return;
  rows_[row].marks.assign(columns_.size(), marked ? 1 : 0);
  if (observer_ && !columns_.empty()) observer_->CellsChanged(row, 0, columns_.size() - 1);
}

void ListTable::SetImage(size_t row, int image) {
  if (row >= rows_.size() || rows_[row].image == image) return;
  rows_[row].image = image;
  if (observer_ && !columns_.empty()) observer_->CellsChanged(row, 0, columns_.size() - 1);
}

void ListTable::Sort(size_t column, bool ascending) {
  sortColumn_ = column;
  sortAscending_ = ascending;
  if (rows_.size() < 2 || column >= columns_.size()) return;
  std::vector<size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  MergeSortIndices(order, [&](size_t a, size_t b) {
    // Descending swaps the operands, so the rule is still chosen by the left one.
    const std::string& left = rows_[ascending ? a : b].cells[column];
    const std::string& right = rows_[ascending ? b : a].cells[column];
    return CompareCells(left, right) < 0;
  });
  bool unchanged = true;
  for (size_t i = 0; i < order.size() && unchanged; ++i) unchanged = order[i] == i;
  if (unchanged) return;
  std::vector<RowData> sorted;
  sorted.reserve(rows_.size());
  for (size_t index : order) sorted.push_back(std::move(rows_[index]));
  rows_.swap(sorted);
  if (observer_) observer_->RowsReordered(order);
}

void ListTable::SortByHeaderClick(size_t column) {
  Sort(column, column == sortColumn_ ? !sortAscending_ : true);
}

void ListTable::Renumber() {
  const size_t column = sortColumn_;
  const bool ascending = sortAscending_;
  Sort(0, true);
  for (size_t i = 0; i < rows_.size(); ++i) SetCell(i, 0, text::Format("%zu", i));
  Sort(column, ascending);
}

size_t ListTable::FindRowByKey(uint64_t key) const {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].key == key) return i;
  }
  return npos;
}

size_t ListTable::FindRow(size_t column, std::string_view value) const {
  if (column >= columns_.size()) return npos;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].cells[column] == value) return i;
  }
  return npos;
}

void ListTable::IndexColumn(size_t column) {
  indexedColumn_ = column;
  index_.clear();
  for (const RowData& row : rows_) IndexAdd(row);
}

bool ListTable::ContainsInColumn(size_t column, std::string_view value) const {
  if (column == indexedColumn_) return index_.find(std::string(value)) != index_.end();
  return FindRow(column, value) != npos;
}

void ListTable::IndexAdd(const RowData& row) {
  if (indexedColumn_ < row.cells.size()) ++index_[row.cells[indexedColumn_]];
}

void ListTable::IndexRemove(const RowData& row) {
  if (indexedColumn_ >= row.cells.size()) return;
  auto it = index_.find(row.cells[indexedColumn_]);
  if (it != index_.end() && --it->second == 0) index_.erase(it);
}

}  // namespace vexon::core
