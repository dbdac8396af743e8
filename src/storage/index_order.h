#pragma once

#include <cstddef>
#include <vector>

#include "core/list_table.h"

namespace vexon::storage {

// The rows of `table` in the order a sort by column 0 ascending would give them
// (the list's own compare rule, stable), without touching the table or its view.
std::vector<size_t> RowsInIndexOrder(const core::ListTable& table);

}  // namespace vexon::storage
