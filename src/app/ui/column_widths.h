#pragma once

#include <QTableView>

#include <string>
#include <vector>

#include "core/list_table.h"
#include "storage/settings_store.h"
#include "text/catalog.h"

namespace vexon::app::ui {

// A list whose column widths are kept in the settings file. When it is made, the
// list gets the saved widths if they fit it, else defaults for the fonts in use (the
// original widths grown in proportion to the font, never narrower than a column's
// usual content or its header); the last column fills the list. Save writes them
// back when the user changed them.
class SavedColumnWidths final {
 public:
  // `list` names the list in the file ("Results", "Downloads", "Completed").
  SavedColumnWidths(QTableView& view, const core::ListTable& table, storage::SettingsStore& store, std::string list,
                    const text::Translator& texts);

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
