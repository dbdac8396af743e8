#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/column_spec.h"
#include "core/packed_cells.h"

namespace vexon::core {

// Told exactly what changed in a ListTable, so a view can update precisely.
class ListObserver {
 public:
  virtual ~ListObserver() = default;
  virtual void RowsInserted(size_t first, size_t count) = 0;
  virtual void RowsRemoved(size_t first, size_t count) = 0;
  virtual void CellsChanged(size_t row, size_t firstColumn, size_t lastColumn) = 0;
  // newOrder[i] is the old index of the row that now stands at i.
  virtual void RowsReordered(const std::vector<size_t>& newOrder) = 0;
};

// The rows of one list: text cells, one bold mark per cell, an image per row, and
// the sort state. Sorting reorders rows physically, as a list control does.
// Finding a row by its key costs the same for 20 or 20,000 rows, and removing one
// moves only the rows on its shorter side.
class ListTable final {
 public:
  explicit ListTable(std::string_view columnSpec);

  const std::vector<ColumnDef>& columns() const { return columns_; }
  size_t columnCount() const { return columns_.size(); }
  size_t rowCount() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }

  void SetObserver(ListObserver* observer) { observer_ = observer; }

  // Appends a row; missing cells are empty, extra ones are dropped. Returns its index.
  // `key` names the item the row shows, whatever place sorting gives the row.
  size_t AppendRow(std::vector<std::string> cells, int image = -1, uint64_t key = 0);
  void RemoveRow(size_t row);
  void Clear();

  // Copies: the cells are kept packed (see PackedCells).
  std::string Cell(size_t row, size_t column) const;
  void SetCell(size_t row, size_t column, std::string value);
  std::vector<std::string> Row(size_t row) const;

  bool Mark(size_t row, size_t column) const;
  void SetRowMarks(size_t row, bool marked);

  int Image(size_t row) const { return rows_.at(row)->image; }
  uint64_t Key(size_t row) const { return rows_.at(row)->key; }
  // The row showing the item `key`, or npos.
  size_t FindRowByKey(uint64_t key) const;
  void SetImage(size_t row, int image);
  // Why the row stands as it does (a failure, say), told beside its cells.
  const std::string& Note(size_t row) const { return rows_.at(row)->note; }
  void SetNote(size_t row, std::string note);

  size_t sortColumn() const { return sortColumn_; }
  bool sortAscending() const { return sortAscending_; }
  // Sorts by `column` in the given direction and remembers it as the sort state.
  void Sort(size_t column, bool ascending);
  // A header click: ascending on a new column, the other direction on the current one.
  void SortByHeaderClick(size_t column);
  // Sorts again by the current sort state (after rows were added, say).
  void Resort() { Sort(sortColumn_, sortAscending_); }
  // After AppendRow: sorts again only when the new last row is out of order, so
  // rows appended in sort order cost no sort.
  void ResortAfterAppend();
  // Column 0 shows each row's place "%d" from 0 among the rows in the order they
  // were added, whatever the sort; it follows removals by itself. Sorting by it
  // sorts by that order. Cells given for it are ignored.
  void NumberRowsInColumn0();
  bool numbered() const { return numbered_; }

  // First row whose cell in `column` equals `value` exactly, or npos.
  size_t FindRow(size_t column, std::string_view value) const;

  // Keeps a hash index of one column, so duplicate tests over thousands of rows
  // do not scan.
  void IndexColumn(size_t column);
  // Whether a row holds exactly `value` in `column` (indexed or scanned).
  bool ContainsInColumn(size_t column, std::string_view value) const;

  static constexpr size_t npos = static_cast<size_t>(-1);

 private:
  struct RowData {
    PackedCells cells;
    bool marked = false;  // every cell of the row at once
    int image = -1;
    uint64_t key = 0;
    std::string note;
    // The row's index is slot - base_: a removal shifts one side's slots only.
    int64_t slot = 0;
    // Its place in the order rows were added (numbered lists only).
    size_t sequence = 0;
  };

  std::vector<ColumnDef> columns_;
  void IndexAdd(const RowData& row);
  void IndexRemove(const RowData& row);
  // Slots from 0 in the rows' present order.
  void ResetSlots();
  // The number column 0 shows for `row`.
  std::string NumberText(const RowData& row) const;
  // What a row shows in `column`, numbers included; the view lives until `scratch`
  // changes.
  std::string_view CellOf(const RowData& row, size_t column, std::string& scratch) const;
  int CompareRows(const RowData& a, const RowData& b, size_t column) const;
  // Counting tree over sequence numbers, for the place of a row among those added
  // before it.
  void SequenceAdd(size_t sequence, int delta);
  size_t SequenceRank(size_t sequence) const;
  void RenumberSequences();

  std::deque<std::unique_ptr<RowData>> rows_;
  int64_t base_ = 0;
  std::unordered_map<uint64_t, RowData*> byKey_;
  bool numbered_ = false;
  size_t nextSequence_ = 1;
  std::vector<int> sequenceTree_;  // Fenwick tree, 1-based
  size_t indexedColumn_ = npos;
  // Hash of the indexed cell -> its rows: the cells are not held twice.
  std::unordered_multimap<size_t, const RowData*> index_;
  size_t sortColumn_ = 0;
  bool sortAscending_ = true;
  ListObserver* observer_ = nullptr;
};

// The valid rows of a selection, ascending and without repeats.
std::vector<size_t> ValidRows(const std::vector<size_t>& selected, size_t rowCount);

}  // namespace vexon::core
