#include "app/status_counters.h"

#include <cstdio>
#include <string_view>

namespace vexon::app {
std::string ResultsCounterText(size_t rows, size_t perPage) {
  if (perPage == 0) perPage = 1;
  const size_t pages = rows / perPage + (rows % perPage == 0 ? 0 : 1);
  char text[96];
  std::snprintf(text, sizeof text, "搜索结果总数 [%zu], 页数 [%zu]", rows, pages);
  return text;
}

std::string StatusLineText(const download::DownloadController::Counts& downloads, size_t downloadsSelected,
                           size_t completedRows, size_t completedSelected) {
  char text[256];
  std::snprintf(text, sizeof text,
                "列表文件数 [%zu,%zu], 已选择 [%zu,%zu], 正在下载 [%zu], 等待下载 [%zu], 停止下载 [%zu]",
                downloads.total, completedRows, downloadsSelected, completedSelected, downloads.running,
                downloads.waiting, downloads.stopped);
  return text;
}

}  // namespace vexon::app
