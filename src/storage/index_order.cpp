#include "storage/index_order.h"

#include <algorithm>
#include <numeric>

#include "core/row_compare.h"

namespace vexon::storage {

std::vector<size_t> RowsInIndexOrder(const core::ListTable& table) {
  std::vector<size_t> order(table.rowCount());
  std::iota(order.begin(), order.end(), size_t{0});
  if (order.size() < 2) return order;
  // A bottom-up merge sort: the cell rule depends on which text comes first, so it
  // is not a strict weak order, and only a merge keeps such a rule in bounds.
  auto less = [&](size_t a, size_t b) { return core::CompareCells(table.Cell(a, 0), table.Cell(b, 0)) < 0; };
  std::vector<size_t> buffer(order.size());
  const size_t n = order.size();
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      const size_t mid = std::min(lo + width, n);
      const size_t hi = std::min(lo + 2 * width, n);
      size_t i = lo;
      size_t j = mid;
      size_t k = lo;
      while (i < mid && j < hi) buffer[k++] = less(order[j], order[i]) ? order[j++] : order[i++];
      while (i < mid) buffer[k++] = order[i++];
      while (j < hi) buffer[k++] = order[j++];
    }
    order.swap(buffer);
  }
  return order;
}

}  // namespace vexon::storage
