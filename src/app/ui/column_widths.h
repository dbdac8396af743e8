#pragma once

#include <QFontMetrics>
#include <QTableView>

#include <string>
#include <string_view>
#include <vector>

#include "core/list_table.h"
#include "storage/settings_store.h"

namespace vexon::app::ui {

// Default widths for a list's columns in the fonts in use: the original widths,
// grown in proportion to the font, and never narrower than the column's usual
// content (sizes, dates, percents, states) or its header.
std::vector<int> ReadableColumnWidths(const core::ListTable& table, const QFontMetrics& cells,
                                      const QFontMetrics& header);

// Sets the view's column widths: the saved ones (see core::ParseColumnWidths) when
// they fit the list, else the readable defaults. The last column fills the list.
void ApplyColumnWidths(QTableView& view, const core::ListTable& table, std::string_view saved = {});

// The widths the view's columns have now.
std::vector<int> CurrentColumnWidths(const QTableView& view);

// A list whose column widths are kept in the settings file: the saved widths are
// applied when it is made, and written back by Save when the user changed them.
class SavedColumnWidths final {
 public:
  // `list` names the list in the file ("Results", "Downloads", "Completed").
  SavedColumnWidths(QTableView& view, const core::ListTable& table, storage::SettingsStore& store, std::string list);

  // Writes the widths if a column other than the last (which fills the list) was
  // resized since they were applied.
  void Save();

 private:
  QTableView& view_;
  storage::SettingsStore& store_;
  std::string list_;
  std::vector<int> applied_;
};

}  // namespace vexon::app::ui
