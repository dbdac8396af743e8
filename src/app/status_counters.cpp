#include "app/status_counters.h"

#include <cstdio>
#include <string_view>

namespace vexon::app {
namespace {

constexpr size_t kStateColumn = 8;
constexpr std::string_view kStoppedText = "停止下载";
constexpr std::string_view kWaitingText = "等待下载";

}  // namespace

std::string ResultsCounterText(size_t rows, size_t perPage) {
  if (perPage == 0) perPage = 1;
  const size_t pages = rows / perPage + (rows % perPage == 0 ? 0 : 1);
  char text[96];
  std::snprintf(text, sizeof text, "搜索结果总数 [%zu], 页数 [%zu]", rows, pages);
  return text;
}

std::string StatusLineText(const core::ListTable& downloads, size_t downloadsSelected, size_t completedRows,
                           size_t completedSelected) {
  size_t stopped = 0;
  size_t waiting = 0;
  const size_t total = downloads.rowCount();
  for (size_t row = 0; row < total; ++row) {
    const std::string& state = downloads.Cell(row, kStateColumn);
    if (state == kStoppedText) ++stopped;
    if (state == kWaitingText) ++waiting;
  }
  char text[256];
  std::snprintf(text, sizeof text,
                "列表文件数 [%zu,%zu], 已选择 [%zu,%zu], 正在下载 [%zu], 等待下载 [%zu], 停止下载 [%zu]", total,
                completedRows, downloadsSelected, completedSelected, total - stopped - waiting, waiting,
                stopped);
  return text;
}

}  // namespace vexon::app
