#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexon::app {

struct ColumnDef {
  std::string name;
  int width = 0;
};

// Reads a column layout: entries "name,width" separated by ";". A trailing
// text without a comma is ignored; a width is the value of its leading digits after
// optional blanks and sign (0 when none).
std::vector<ColumnDef> ParseColumnSpec(std::string_view layout);

// The three lists' specifications.
inline constexpr std::string_view kResultsColumns =
    ",25;文件名,100;类型,40;大小,70;日期,80;标题,200;URL,80";
inline constexpr std::string_view kDownloadColumns =
    ",25;ID,42;文件名,100;进度,60;已收,60;大小,60;速率,45;还剩时间,60;状态,60;全名,40;URL,47";
inline constexpr std::string_view kCompletedColumns = ",25;文件名,200;类型,50;大小,70;路径,200";

}  // namespace vexon::app
