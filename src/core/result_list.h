#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/keyed_rows.h"
#include "core/list_schemas.h"
#include "core/list_table.h"

namespace vexon::core {

// The results list: each row of the table shows one ResultRow, whatever place
// sorting gives it. Commands read the rows' results here, never the row texts.
class ResultList final {
 public:
  explicit ResultList(ListTable& table);

  ListTable& table() { return rows_.table(); }
  const ListTable& table() const { return rows_.table(); }
  size_t size() const { return rows_.size(); }
  // Lists a result with its row number.
  void Add(ResultRow result, std::string index);
  // The result a row shows; nullptr for no such row.
  const ResultRow* At(size_t row) const;
  bool Contains(std::string_view url) const;
  // Draws the row of `url` bold while a download of it is listed.
  void Mark(std::string_view url, bool queued);
  void Clear();

 private:
  struct Listed {
    std::string index;
    ResultRow result;
  };

  KeyedRows<Listed> rows_;
  // The first result of each URL: duplicate tests and marks find it without a scan.
  std::unordered_map<std::string, uint64_t> keyOfUrl_;
};

}  // namespace vexon::core
