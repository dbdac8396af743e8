#include "app/ui/column_widths.h"

#include <QFontMetrics>
#include <QHeaderView>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "core/column_spec.h"
#include "widgets/texts.h"

namespace vexon::app::ui {
namespace {

// The font the original widths were made for was 13 pixels high.
constexpr double kOriginalFontHeight = 13.0;
// Room for a cell's margins and the header's sort mark.
constexpr int kCellPadding = 12;
constexpr int kHeaderPadding = 24;

// The widest text a column usually shows, in the texts' language; empty for text of
// any length.
QString UsualContent(const std::string& column, const text::Translator& texts) {
  static const std::pair<const char*, const char*> kSamples[] = {
      {"", "9999"},           {"ID", "9999"},   {"类型", "mpeg"},     {"大小", "1234567890"},  {"已收", "1234567890"},
      {"日期", "12/31/2026"}, {"进度", "100%"}, {"速率", "12345kps"}, {"还剩时间", "59m,59s"}, {"状态", "正在下载"},
      {"时长", "0:00:00"},
  };
  for (const auto& [name, sample] : kSamples) {
    if (column == name) return widgets::Text(texts, sample);
  }
  return {};
}

// Widths that show each heading as the view shows it and the usual content whole.
std::vector<int> ReadableColumnWidths(const QTableView& view, const core::ListTable& table,
                                      const text::Translator& texts) {
  const QFontMetrics cells = view.fontMetrics();
  const QFontMetrics header = view.horizontalHeader()->fontMetrics();
  const double scale = std::max(1.0, cells.height() / kOriginalFontHeight);
  std::vector<int> widths;
  for (const core::ColumnDef& column : table.columns()) {
    int width = static_cast<int>(std::lround(std::max(column.width, 0) * scale));
    const QString usual = UsualContent(column.name, texts);
    if (!usual.isEmpty()) width = std::max(width, cells.horizontalAdvance(usual) + kCellPadding);
    const QString heading = view.model()->headerData(static_cast<int>(widths.size()), Qt::Horizontal).toString();
    if (!heading.isEmpty()) width = std::max(width, header.horizontalAdvance(heading) + kHeaderPadding);
    widths.push_back(width);
  }
  return widths;
}

void ApplyColumnWidths(QTableView& view, const core::ListTable& table, std::string_view saved,
                       const text::Translator& texts) {
  std::vector<int> widths = core::ParseColumnWidths(saved, table.columns().size());
  // Columns the saved widths do not know yet take their defaults.
  if (widths.size() < table.columns().size()) {
    const std::vector<int> defaults = ReadableColumnWidths(view, table, texts);
    widths.insert(widths.end(), defaults.begin() + static_cast<std::ptrdiff_t>(widths.size()), defaults.end());
  }
  QHeaderView& header = *view.horizontalHeader();
  // The header would widen a narrow saved column to its font-based minimum.
  int narrowest = header.minimumSectionSize();
  for (int width : widths) narrowest = std::min(narrowest, width);
  header.setMinimumSectionSize(narrowest);
  header.setStretchLastSection(true);
  for (size_t i = 0; i < widths.size(); ++i) view.setColumnWidth(static_cast<int>(i), widths[i]);
}

std::vector<int> CurrentColumnWidths(const QTableView& view) {
  std::vector<int> widths;
  const QHeaderView& header = *view.horizontalHeader();
  for (int i = 0; i < header.count(); ++i) widths.push_back(header.sectionSize(i));
  return widths;
}

}  // namespace

SavedColumnWidths::SavedColumnWidths(QTableView& view, const core::ListTable& table, storage::SettingsStore& store,
                                     std::string list, const text::Translator& texts)
    : view_(view), store_(store), list_(std::move(list)) {
  ApplyColumnWidths(view_, table, store_.ReadColumnWidths(list_), texts);
  applied_ = CurrentColumnWidths(view_);
}

void SavedColumnWidths::Save() {
  const std::vector<int> now = CurrentColumnWidths(view_);
  if (now.size() == applied_.size() && (now.empty() || std::equal(now.begin(), now.end() - 1, applied_.begin()))) {
    return;
  }
  if (store_.SaveColumnWidths(list_, core::ColumnWidthsText(now))) applied_ = now;
}

}  // namespace vexon::app::ui
