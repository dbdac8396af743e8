#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/list_schemas.h"
#include "core/list_table.h"

namespace vexon::core {

// The results list: each row of the table shows one ResultRow, whatever place
// sorting gives it. Commands read the rows' results here, never the row texts.
class ResultList final {
 public:
  explicit ResultList(ListTable& table);

  ListTable& table() { return table_; }
  size_t size() const { return table_.rowCount(); }
  // Lists a result with its row number.
  void Add(ResultRow result, std::string index);
  // The result a row shows; nullptr for no such row.
  const ResultRow* At(size_t row) const;
  bool Contains(std::string_view url) const;
  // Draws the row of `url` bold while a download of it is listed.
  void Mark(std::string_view url, bool queued);
  void Clear();

 private:
  ListTable& table_;
  std::vector<ResultRow> results_;  // a row's key is its result's place here + 1
};

}  // namespace vexon::core
