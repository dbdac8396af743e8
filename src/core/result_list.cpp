#include "core/result_list.h"

#include <utility>

namespace vexon::core {

ResultList::ResultList(ListTable& table) : table_(table) {
  table_.IndexColumn(kResultUrl);
}

void ResultList::Add(ResultRow result, std::string index) {
  table_.AppendRow({std::move(index), result.name, result.type, result.size, result.date, result.title, result.url}, -1,
                   results_.size() + 1);
  results_.push_back(std::move(result));
}

const ResultRow* ResultList::At(size_t row) const {
  if (row >= table_.rowCount()) return nullptr;
  const uint64_t key = table_.Key(row);
  return key >= 1 && key <= results_.size() ? &results_[key - 1] : nullptr;
}

bool ResultList::Contains(std::string_view url) const {
  return table_.ContainsInColumn(kResultUrl, url);
}

void ResultList::Mark(std::string_view url, bool queued) {
  const size_t row = table_.FindRow(kResultUrl, url);
  if (row != ListTable::npos) table_.SetRowMarks(row, queued);
}

void ResultList::Clear() {
  table_.Clear();
  results_.clear();
}

}  // namespace vexon::core
