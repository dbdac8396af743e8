#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/list_table.h"

namespace vexon::core {

// The items of one list and the rows that show them. Each item lives under a key of
// its own, and its row is found by that key wherever sorting puts it, so finding,
// showing and removing an item cost the same for 20 or 20,000 rows. The rows are a
// projection: commands read the items, and only Show writes an item's cells, those
// that changed. Items are kept in the order they were added.
template <typename Item>
class KeyedRows final {
 public:
  struct Projection {
    std::function<std::vector<std::string>(const Item&)> cells;
    std::function<int(const Item&)> image;         // none: the rows have no image
    std::function<std::string(const Item&)> note;  // none: the rows have no note
  };

  KeyedRows(ListTable& table, Projection projection) : table_(table), projection_(std::move(projection)) {}
  KeyedRows(const KeyedRows&) = delete;
  KeyedRows& operator=(const KeyedRows&) = delete;

  ListTable& table() { return table_; }
  const ListTable& table() const { return table_; }
  size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const std::map<uint64_t, Item>& items() const { return items_; }

  // Lists `item` under a new key and appends its row (unless the filter hides it);
  // returns the key.
  uint64_t Add(Item item) {
    const uint64_t key = nextKey_++;
    const Item& stored = items_.emplace(key, std::move(item)).first->second;
    if (Shown(stored)) AppendRowOf(key, stored);
    return key;
  }

  // Rows only for the items `keep` accepts (empty: for all). The rows are made
  // again in the order the items were added, so a numbered list keeps its order,
  // and take the table's sort.
  void Filter(std::function<bool(const Item&)> keep) {
    keep_ = std::move(keep);
    Refilter();
  }
  // After items changed what the filter sees in them.
  void Refilter() {
    table_.Clear();
    for (const auto& [key, item] : items_) {
      if (Shown(item)) AppendRowOf(key, item);
    }
    table_.Resort();
  }
  bool filtered() const { return static_cast<bool>(keep_); }

  Item* Find(uint64_t key) {
    auto it = items_.find(key);
    return it == items_.end() ? nullptr : &it->second;
  }
  const Item* Find(uint64_t key) const {
    auto it = items_.find(key);
    return it == items_.end() ? nullptr : &it->second;
  }
  // The item a row shows; nullptr for no such row.
  Item* AtRow(size_t row) { return row < table_.rowCount() ? Find(table_.Key(row)) : nullptr; }
  const Item* AtRow(size_t row) const { return row < table_.rowCount() ? Find(table_.Key(row)) : nullptr; }
  // The keys of a selection's valid rows, in list order, without repeats.
  std::vector<uint64_t> KeysOf(const std::vector<size_t>& rows) const {
    std::vector<uint64_t> keys;
    for (size_t row : ValidRows(rows, table_.rowCount())) keys.push_back(table_.Key(row));
    return keys;
  }

  // Writes the cells, the image and the note of the item's row that differ from its
  // projection.
  void Show(uint64_t key) {
    const Item* item = Find(key);
    const size_t row = table_.FindRowByKey(key);
    if (item == nullptr || row == ListTable::npos) return;
    std::vector<std::string> cells = projection_.cells(*item);
    // A numbered list's column 0 is the table's own.
    for (size_t column = table_.numbered() ? 1 : 0; column < cells.size(); ++column) {
      if (table_.Cell(row, column) != cells[column]) table_.SetCell(row, column, std::move(cells[column]));
    }
    const int image = ImageOf(*item);
    if (table_.Image(row) != image) table_.SetImage(row, image);
    if (projection_.note) table_.SetNote(row, projection_.note(*item));
  }

  void Remove(uint64_t key) {
    const size_t row = table_.FindRowByKey(key);
    if (row != ListTable::npos) table_.RemoveRow(row);
    items_.erase(key);
  }

  // Keys are never given twice, so a key kept from before still names nothing.
  void Clear() {
    table_.Clear();
    items_.clear();
  }

 private:
  int ImageOf(const Item& item) const { return projection_.image ? projection_.image(item) : -1; }
  bool Shown(const Item& item) const { return !keep_ || keep_(item); }
  void AppendRowOf(uint64_t key, const Item& item) {
    const size_t row = table_.AppendRow(projection_.cells(item), ImageOf(item), key);
    if (projection_.note) table_.SetNote(row, projection_.note(item));
  }

  ListTable& table_;
  const Projection projection_;
  std::function<bool(const Item&)> keep_;
  std::map<uint64_t, Item> items_;
  uint64_t nextKey_ = 1;
};

}  // namespace vexon::core
