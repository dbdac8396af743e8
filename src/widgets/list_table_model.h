#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "core/list_table.h"
#include "text/catalog.h"

class QTableView;

namespace vexon::widgets {

// Presents one ListTable to Qt views. The table stays the only store of rows, marks
// and sort state; this adapter turns the table's change reports into model signals.
// The table must outlive the model; the model is the table's one observer.
class ListTableModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Turns a row's image index into the icon drawn in the image column.
  using IconProvider = std::function<QIcon(int image)>;

  // The headings are shown as `texts` translates them.
  ListTableModel(core::ListTable& table, text::Translator texts, QObject* parent = nullptr);
  ~ListTableModel() override;

  // Shows each row's image in `column`; an image index below 0 shows none.
  void SetImageColumn(int column, IconProvider provider);

  // How a column's cells are shown; the table keeps them as they are, so sorting,
  // copying and saving see the stored values.
  enum class Shown {
    kText,
    kBytes,  // "5.8 MB", the exact count in the tip
    kDate,   // month/day/year shown as year/month/day
    kUrl,    // decoded where letters are spelled, hidden characters escaped
  };
  void SetShown(int column, Shown shown);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  // Sorts the table itself by its compare rules, in the order asked.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
  // The list's own header rule: ascending on a new column, flipped on the current one.
  void SortByHeaderClick(int column);

  const core::ListTable& table() const { return table_; }

 private:
  class Observer final : public core::ListObserver {
   public:
    explicit Observer(ListTableModel& model) : model_(model) {}
    void RowsInserted(size_t first, size_t count) override;
    void RowsRemoved(size_t first, size_t count) override;
    void CellsChanged(size_t row, size_t firstColumn, size_t lastColumn) override;
    void RowsReordered(const std::vector<size_t>& newOrder) override;

   private:
    ListTableModel& model_;
  };

  // The table reports a change after making it, while Qt's "about to" signals must
  // still see the old rows; this maps a row of the old layout to the table's row.
  struct Pending {
    enum class Kind { kNone, kInsert, kRemove, kReorder } kind = Kind::kNone;
    size_t first = 0;
    size_t count = 0;
    std::vector<size_t> newPosition;  // reorder: old row -> new row
  };

  std::optional<size_t> TableRow(int row) const;
  QString ShownText(size_t row, size_t column) const;
  QString TipText(size_t row, size_t column) const;

  core::ListTable& table_;
  const text::Translator texts_;
  Observer observer_;
  Pending pending_;
  int rowCount_ = 0;
  int imageColumn_ = -1;
  IconProvider iconProvider_;
  std::vector<Shown> shown_;  // by column; kText past its end
};

}  // namespace vexon::widgets
