#include "app/ui/column_widths.h"

#include <QEvent>
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
      {"", "9999"},           {"ID", "9999"},   {"类型", "mpeg"},     {"大小", "1023.9 MB"},   {"已收", "1023.9 MB"},
      {"日期", "2026/12/31"}, {"进度", "100%"}, {"速率", "12345kps"}, {"还剩时间", "59m,59s"}, {"状态", "正在下载"},
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

std::vector<int> ApplyColumnWidths(QTableView& view, const core::ListTable& table, std::string_view saved,
                                   const text::Translator& texts, bool lastFills) {
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
  header.setStretchLastSection(lastFills);
  for (size_t i = 0; i < widths.size(); ++i) view.setColumnWidth(static_cast<int>(i), widths[i]);
  return widths;
}

}  // namespace

SavedColumnWidths::SavedColumnWidths(QTableView& view, const core::ListTable& table, storage::SettingsStore& store,
                                     std::string list, const text::Translator& texts, std::vector<int> growing)
    : view_(view), store_(store), list_(std::move(list)), growing_(std::move(growing)) {
  const size_t columns = table.columns().size();
  std::erase_if(growing_, [columns](int column) { return column < 0 || static_cast<size_t>(column) >= columns; });
  own_ = ApplyColumnWidths(view_, table, store_.ReadColumnWidths(list_), texts, growing_.empty());
  applied_ = own_;
  connect(view_.horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
    // A column the user drags keeps the width given, share and all; a last column
    // that fills the list follows the list, not the user.
    const bool fills = growing_.empty() && static_cast<size_t>(column) + 1 == own_.size();
    if (!fitting_ && !fills && column >= 0 && static_cast<size_t>(column) < own_.size()) {
      own_[static_cast<size_t>(column)] = std::min(width, core::kMaxColumnWidth);
    }
  });
  if (growing_.empty()) return;
  view_.viewport()->installEventFilter(this);
  Fit();
}

bool SavedColumnWidths::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_.viewport() && event->type() == QEvent::Resize) Fit();
  return QObject::eventFilter(watched, event);
}

void SavedColumnWidths::Fit() {
  if (static_cast<size_t>(view_.horizontalHeader()->count()) != own_.size()) return;
  long long used = 0;
  for (int width : own_) used += width;
  const long long spare = std::max(0LL, view_.viewport()->width() - used);
  fitting_ = true;
  // Equal shares; the last growing column takes what the division left.
  const auto count = static_cast<long long>(growing_.size());
  for (long long i = 0; i < count; ++i) {
    const int column = growing_[static_cast<size_t>(i)];
    const long long share = spare / count + (i + 1 == count ? spare % count : 0);
    view_.setColumnWidth(column, static_cast<int>(std::min<long long>(own_[static_cast<size_t>(column)] + share,
                                                                      core::kMaxColumnWidth * 4LL)));
  }
  fitting_ = false;
}

void SavedColumnWidths::Save() {
  if (own_ == applied_) return;
  if (store_.SaveColumnWidths(list_, core::ColumnWidthsText(own_))) applied_ = own_;
}

}  // namespace vexon::app::ui
