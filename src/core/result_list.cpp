#include "core/result_list.h"

#include <utility>

namespace vexon::core {

ResultList::ResultList(ListTable& table)
    : rows_(table, {[](const Listed& l) {
                      const ResultRow& r = l.result;
                      return std::vector<std::string>{l.index, r.name, r.type, r.size, r.date, r.title, r.url};
                    },
                    {},
                    {}}) {}

void ResultList::Add(ResultRow result, std::string index) {
  std::string url = result.url;
  const uint64_t key = rows_.Add({std::move(index), std::move(result)});
  keyOfUrl_.try_emplace(std::move(url), key);
}

const ResultRow* ResultList::At(size_t row) const {
  const Listed* listed = rows_.AtRow(row);
  return listed ? &listed->result : nullptr;
}

bool ResultList::Contains(std::string_view url) const {
  return keyOfUrl_.contains(std::string(url));
}

void ResultList::Mark(std::string_view url, bool queued) {
  auto it = keyOfUrl_.find(std::string(url));
  if (it == keyOfUrl_.end()) return;
  const size_t row = rows_.table().FindRowByKey(it->second);
  if (row != ListTable::npos) rows_.table().SetRowMarks(row, queued);
}

void ResultList::Clear() {
  rows_.Clear();
  keyOfUrl_.clear();
}

}  // namespace vexon::core
