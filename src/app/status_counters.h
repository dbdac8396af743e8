#pragma once

#include <cstddef>
#include <string>

#include "download/download_controller.h"
#include "text/catalog.h"

namespace vexon::app {

// The results counter's text before the first refresh.
inline constexpr const char* kResultsCounterInitialText = "搜索结果总数[0]   ";
inline constexpr const char* kCheckingInitialText = "正在检测数:";

// "搜索结果总数 [n], 页数 [pages]": rows and pages of `perPage` rows. A list too
// small to show one whole row counts one page per row.
std::string ResultsCounterText(size_t rows, size_t perPage, const text::Translator& texts);

// The status line: the rows and selections of the download and downloaded lists
// and the downloads by their state.
std::string StatusLineText(const download::DownloadController::Counts& downloads, size_t downloadsSelected,
                           size_t completedRows, size_t completedSelected, const text::Translator& texts);

}  // namespace vexon::app
