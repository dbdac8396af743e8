#include "core/list_table.h"

#include <algorithm>
#include <functional>
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
  auto row = std::make_unique<RowData>();
  row->cells = PackedCells(cells);
  row->image = image;
  row->key = key;
  row->slot = base_ + static_cast<int64_t>(rows_.size());
  if (numbered_) {
    if (nextSequence_ >= sequenceTree_.size()) RenumberSequences();
    row->sequence = nextSequence_++;
    SequenceAdd(row->sequence, 1);
  }
  IndexAdd(*row);
  if (key != 0) byKey_.try_emplace(key, row.get());
  rows_.push_back(std::move(row));
  const size_t index = rows_.size() - 1;
  if (observer_) observer_->RowsInserted(index, 1);
  return index;
}

void ListTable::RemoveRow(size_t row) {
  if (row >= rows_.size()) return;
  RowData& data = *rows_[row];
  IndexRemove(data);
  if (numbered_) SequenceAdd(data.sequence, -1);
  if (auto it = byKey_.find(data.key); it != byKey_.end() && it->second == &data) byKey_.erase(it);
  if (row < rows_.size() / 2) {
    // The rows before it move up one slot, and every index shifts with base_.
    for (size_t i = 0; i < row; ++i) ++rows_[i]->slot;
    ++base_;
  } else {
    for (size_t i = row + 1; i < rows_.size(); ++i) --rows_[i]->slot;
  }
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  if (observer_) observer_->RowsRemoved(row, 1);
}

void ListTable::Clear() {
  const size_t n = rows_.size();
  rows_.clear();
  index_.clear();
  byKey_.clear();
  base_ = 0;
  if (numbered_) std::fill(sequenceTree_.begin(), sequenceTree_.end(), 0);
  if (observer_ && n > 0) observer_->RowsRemoved(0, n);
}

std::string ListTable::Cell(size_t row, size_t column) const {
  if (row >= rows_.size() || column >= columns_.size()) return {};
  if (numbered_ && column == 0) return NumberText(*rows_[row]);
  return std::string(rows_[row]->cells[column]);
}

std::string_view ListTable::CellOf(const RowData& row, size_t column, std::string& scratch) const {
  if (!numbered_ || column != 0) return row.cells[column];
  scratch = NumberText(row);
  return scratch;
}

std::vector<std::string> ListTable::Row(size_t row) const {
  const RowData& data = *rows_.at(row);
  std::vector<std::string> cells(columns_.size());
  for (size_t column = 0; column < cells.size(); ++column) {
    cells[column] = numbered_ && column == 0 ? NumberText(data) : std::string(data.cells[column]);
  }
  return cells;
}

void ListTable::SetCell(size_t row, size_t column, std::string value) {
  if (row >= rows_.size() || column >= columns_.size() || (numbered_ && column == 0)) return;
  RowData& data = *rows_[row];
  if (data.cells[column] == value) return;
  if (column == indexedColumn_) IndexRemove(data);
  data.cells.Set(column, value);
  if (column == indexedColumn_) IndexAdd(data);
  if (observer_) observer_->CellsChanged(row, column, column);
}

bool ListTable::Mark(size_t row, size_t column) const {
  if (row >= rows_.size() || column >= columns_.size()) return false;
  return rows_[row]->marked;
}

void ListTable::SetRowMarks(size_t row, bool marked) {
  if (row >= rows_.size()) return;
  rows_[row]->marked = marked;
  if (observer_ && !columns_.empty()) observer_->CellsChanged(row, 0, columns_.size() - 1);
}

void ListTable::SetImage(size_t row, int image) {
  if (row >= rows_.size() || rows_[row]->image == image) return;
  rows_[row]->image = image;
  if (observer_ && !columns_.empty()) observer_->CellsChanged(row, 0, columns_.size() - 1);
}

void ListTable::SetNote(size_t row, std::string note) {
  if (row >= rows_.size() || rows_[row]->note == note) return;
  rows_[row]->note = std::move(note);
  if (observer_ && !columns_.empty()) observer_->CellsChanged(row, 0, columns_.size() - 1);
}

int ListTable::CompareRows(const RowData& a, const RowData& b, size_t column) const {
  if (numbered_ && column == 0) return a.sequence < b.sequence ? -1 : (a.sequence > b.sequence ? 1 : 0);
  return CompareCells(a.cells[column], b.cells[column]);
}

void ListTable::Sort(size_t column, bool ascending) {
  sortColumn_ = column;
  sortAscending_ = ascending;
  if (rows_.size() < 2 || column >= columns_.size()) return;
  std::vector<size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  MergeSortIndices(order, [&](size_t a, size_t b) {
    // Descending swaps the operands, so the rule is still chosen by the left one.
    return CompareRows(*rows_[ascending ? a : b], *rows_[ascending ? b : a], column) < 0;
  });
  bool unchanged = true;
  for (size_t i = 0; i < order.size() && unchanged; ++i) unchanged = order[i] == i;
  if (unchanged) return;
  std::deque<std::unique_ptr<RowData>> sorted;
  for (size_t index : order) sorted.push_back(std::move(rows_[index]));
  rows_.swap(sorted);
  ResetSlots();
  if (observer_) observer_->RowsReordered(order);
}

void ListTable::ResortAfterAppend() {
  const size_t n = rows_.size();
  if (n < 2 || sortColumn_ >= columns_.size()) return;
  const RowData& before = *rows_[n - 2];
  const RowData& last = *rows_[n - 1];
  const bool inOrder =
      sortAscending_ ? CompareRows(last, before, sortColumn_) >= 0 : CompareRows(before, last, sortColumn_) >= 0;
  if (!inOrder) Resort();
}

void ListTable::SortByHeaderClick(size_t column) {
  Sort(column, column == sortColumn_ ? !sortAscending_ : true);
}

void ListTable::NumberRowsInColumn0() {
  numbered_ = true;
  RenumberSequences();
}

std::string ListTable::NumberText(const RowData& row) const {
  return text::Format("%zu", SequenceRank(row.sequence));
}

void ListTable::SequenceAdd(size_t sequence, int delta) {
  for (size_t i = sequence; i < sequenceTree_.size(); i += i & (~i + 1)) sequenceTree_[i] += delta;
}

size_t ListTable::SequenceRank(size_t sequence) const {
  // Rows added before this one and still listed.
  long count = 0;
  for (size_t i = sequence - 1; i > 0; i -= i & (~i + 1)) count += sequenceTree_[i];
  return static_cast<size_t>(count);
}

void ListTable::RenumberSequences() {
  // Sequences from 1 in the order rows were added, with room for as many again.
  std::vector<RowData*> byAge;
  byAge.reserve(rows_.size());
  for (auto& row : rows_) byAge.push_back(row.get());
  std::stable_sort(byAge.begin(), byAge.end(),
                   [](const RowData* a, const RowData* b) { return a->sequence < b->sequence; });
  sequenceTree_.assign(2 * byAge.size() + 64, 0);
  nextSequence_ = 1;
  for (RowData* row : byAge) {
    row->sequence = nextSequence_++;
    SequenceAdd(row->sequence, 1);
  }
}

void ListTable::ResetSlots() {
  base_ = 0;
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i]->slot = static_cast<int64_t>(i);
}

size_t ListTable::FindRowByKey(uint64_t key) const {
  if (key == 0) {
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (rows_[i]->key == 0) return i;
    }
    return npos;
  }
  auto it = byKey_.find(key);
  if (it == byKey_.end()) return npos;
  return static_cast<size_t>(it->second->slot - base_);
}

size_t ListTable::FindRow(size_t column, std::string_view value) const {
  if (column >= columns_.size()) return npos;
  std::string scratch;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (CellOf(*rows_[i], column, scratch) == value) return i;
  }
  return npos;
}

void ListTable::IndexColumn(size_t column) {
  indexedColumn_ = column;
  index_.clear();
  for (const auto& row : rows_) IndexAdd(*row);
}

bool ListTable::ContainsInColumn(size_t column, std::string_view value) const {
  if (column != indexedColumn_) return FindRow(column, value) != npos;
  const auto [first, last] = index_.equal_range(std::hash<std::string_view>{}(value));
  return std::any_of(first, last, [&](const auto& entry) { return entry.second->cells[column] == value; });
}

void ListTable::IndexAdd(const RowData& row) {
  if (indexedColumn_ >= row.cells.size()) return;
  index_.emplace(std::hash<std::string_view>{}(row.cells[indexedColumn_]), &row);
}

void ListTable::IndexRemove(const RowData& row) {
  if (indexedColumn_ >= row.cells.size()) return;
  const auto [first, last] = index_.equal_range(std::hash<std::string_view>{}(row.cells[indexedColumn_]));
  for (auto it = first; it != last; ++it) {
    if (it->second == &row) {
      index_.erase(it);
      return;
    }
  }
}

std::vector<size_t> ValidRows(const std::vector<size_t>& selected, size_t rowCount) {
  std::vector<size_t> rows;
  for (size_t row : selected) {
    if (row < rowCount) rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

}  // namespace vexon::core
