#pragma once

#include <QObject>
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
// usual content or its header). Width the columns leave free goes to the `growing`
// columns (names, titles, paths) in equal shares; without any, the last
// column fills the list. Save writes back the widths the user gave, without that
// share.
class SavedColumnWidths final : public QObject {
 public:
  // `list` names the list in the file ("Results", "Downloads", "Completed").
  SavedColumnWidths(QTableView& view, const core::ListTable& table, storage::SettingsStore& store, std::string list,
                    const text::Translator& texts, std::vector<int> growing = {});

  // Writes the widths if the user resized a column since they were applied.
  void Save();

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Gives the growing columns their share of the free width.
  void Fit();

  QTableView& view_;
  storage::SettingsStore& store_;
  std::string list_;
  std::vector<int> growing_;
  std::vector<int> own_;      // the widths without the growing columns' share
  std::vector<int> applied_;  // as last read or written
  bool fitting_ = false;
};

}  // namespace vexon::app::ui
