#pragma once

#include <QStyledItemDelegate>
#include <QTableView>

class QMimeData;

#include <cstddef>
#include <vector>

#include "core/list_table.h"
#include "widgets/list_table_model.h"

namespace vexon::widgets {

// One of the main window's lists: a report view over a ListTable with full-row,
// multiple selection, grid lines, the table's header sort and cell tips.
class ListView final : public QTableView {
  Q_OBJECT

 public:
  ListView(core::ListTable& table, int controlId, text::Translator texts, QWidget* parent = nullptr);

  ListTableModel& listModel() { return model_; }
  const core::ListTable& table() const { return model_.table(); }
  // Selected rows in list order.
  std::vector<size_t> SelectedRows() const;
  size_t selectedCount() const;
  // Rows that fit in the visible area (0 when not even one does).
  size_t RowsPerPage() const;
  // Whether a point (global coordinates) lies strictly inside the rows' area,
  // that is inside the list and below its column header.
  bool RowsAreaContains(const QPoint& globalPoint) const;

  // Lets text and links be dropped on the list; each drop is handed on as
  // TextDropped.
  void AcceptDroppedText();

  // Rows added below the visible ones only change the scroll range: the rows on
  // screen are not painted again (a repaint shapes every visible cell's text).
  void doItemsLayout() override;

 signals:
  // A right-click in the rows' area, at a global point.
  void ContextMenuWanted(const QPoint& globalPoint);
  // Text or links dropped on the list (with AcceptDroppedText), as DroppedText gives them.
  void TextDropped(const QString& text);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void SyncSortIndicator();
  void NoteInsertedRows(int first);

  ListTableModel model_;
  bool acceptsText_ = false;
  bool insertedOutOfSight_ = false;  // since the last layout
  bool shownRowsChanged_ = false;    // since the last layout
};

// What a drop or the clipboard holds as text: its links one a line, else its text.
QString DroppedText(const QMimeData& mime);

// Draws a cell as a progress bar from the percent at the start of its text.
class ProgressDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The percent a progress cell shows: its leading digits, at most 100; -1 when the
// text is empty.
int ProgressPercent(const QString& text);

}  // namespace vexon::widgets
