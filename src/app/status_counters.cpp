#include "app/status_counters.h"

#include <string>
#include <string_view>

namespace vexon::app {

std::string ResultsCounterText(size_t rows, size_t perPage, const text::Translator& texts) {
  if (perPage == 0) perPage = 1;
  const size_t pages = rows / perPage + (rows % perPage == 0 ? 0 : 1);
  return texts.Fill("搜索结果总数 [%1], 页数 [%2]", std::to_string(rows), std::to_string(pages));
}

std::string StatusLineText(const download::DownloadController::Counts& downloads, size_t downloadsSelected,
                           size_t completedRows, size_t completedSelected, const text::Translator& texts) {
  const std::string numbers[] = {
      std::to_string(downloads.total),   std::to_string(completedRows),     std::to_string(downloadsSelected),
      std::to_string(completedSelected), std::to_string(downloads.running), std::to_string(downloads.waiting),
      std::to_string(downloads.stopped),
  };
  const std::string_view values[] = {numbers[0], numbers[1], numbers[2], numbers[3],
                                     numbers[4], numbers[5], numbers[6]};
  return texts.Fill("列表文件数 [%1,%2], 已选择 [%3,%4], 正在下载 [%5], 等待下载 [%6], 停止下载 [%7]", values);
}

}  // namespace vexon::app
