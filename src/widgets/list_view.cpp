#include "widgets/list_view.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace vexon::widgets {

QString DroppedText(const QMimeData& mime) {
  if (!mime.hasUrls()) return mime.text();
  QStringList lines;
  for (const QUrl& url : mime.urls()) lines << url.toString(QUrl::FullyEncoded);
  return lines.join(QLatin1Char('\n'));
}

void ListView::AcceptDroppedText() {
  acceptsText_ = true;
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDropIndicatorShown(false);
}

void ListView::dragEnterEvent(QDragEnterEvent* event) {
  if (!acceptsText_ || !(event->mimeData()->hasUrls() || event->mimeData()->hasText())) {
    QTableView::dragEnterEvent(event);
    return;
  }
  event->acceptProposedAction();
}

void ListView::dragMoveEvent(QDragMoveEvent* event) {
  if (!acceptsText_) {
    QTableView::dragMoveEvent(event);
    return;
  }
  event->acceptProposedAction();
}

void ListView::dropEvent(QDropEvent* event) {
  if (!acceptsText_) {
    QTableView::dropEvent(event);
    return;
  }
  event->acceptProposedAction();
  emit TextDropped(DroppedText(*event->mimeData()));
}

ListView::ListView(core::ListTable& table, int controlId, text::Translator texts, QWidget* parent)
    : QTableView(parent), model_(table, std::move(texts), this) {
  setObjectName(QString::number(controlId));
  setModel(&model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the list; the arrows move within it.
  setTabKeyNavigation(false);
  setShowGrid(true);
  setWordWrap(false);
  // Names, titles and paths keep their ends (the extension, the file) in sight.
  setTextElideMode(Qt::ElideMiddle);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // A palette, not a style sheet: a style sheet routes every cell's painting through
  // its own style, which more than doubles the cost of a repaint while rows arrive.
  QPalette white = palette();
  white.setColor(QPalette::Base, Qt::white);
  setPalette(white);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setSortIndicatorShown(true);
  // A header opens no context menu.
  horizontalHeader()->setContextMenuPolicy(Qt::PreventContextMenu);
  SyncSortIndicator();
  connect(&model_, &QAbstractItemModel::layoutChanged, this, [this] {
    shownRowsChanged_ = true;
    SyncSortIndicator();
  });
  connect(&model_, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int) { NoteInsertedRows(first); });
  const auto changed = [this] { shownRowsChanged_ = true; };
  connect(&model_, &QAbstractItemModel::rowsRemoved, this, changed);
  connect(&model_, &QAbstractItemModel::rowsMoved, this, changed);
  connect(&model_, &QAbstractItemModel::modelReset, this, changed);
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
    model_.SortByHeaderClick(column);
    SyncSortIndicator();
  });
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& local) {
    const QPoint global = viewport()->mapToGlobal(local);
    if (RowsAreaContains(global)) emit ContextMenuWanted(global);
  });
}

void ListView::NoteInsertedRows(int first) {
  // The last row on screen; -1 while the rows do not fill the view.
  const int lastShown = rowAt(viewport()->height() - 1);
  if (lastShown >= 0 && first > lastShown) {
    insertedOutOfSight_ = true;
  } else {
    shownRowsChanged_ = true;
  }
}

void ListView::doItemsLayout() {
  const bool onlyOutOfSight = insertedOutOfSight_ && !shownRowsChanged_;
  insertedOutOfSight_ = false;
  shownRowsChanged_ = false;
  if (onlyOutOfSight) {
    updateGeometries();
    return;
  }
  QTableView::doItemsLayout();
}

void ListView::SyncSortIndicator() {
  const core::ListTable& t = model_.table();
  horizontalHeader()->setSortIndicator(static_cast<int>(t.sortColumn()),
                                       t.sortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<size_t> ListView::SelectedRows() const {
  std::vector<size_t> rows;
  if (selectionModel() == nullptr) return rows;
  const QModelIndexList selected = selectionModel()->selectedRows();
  rows.reserve(static_cast<size_t>(selected.size()));
  for (const QModelIndex& index : selected) rows.push_back(static_cast<size_t>(index.row()));
  std::sort(rows.begin(), rows.end());
  return rows;
}

size_t ListView::selectedCount() const {
  return selectionModel() == nullptr ? 0 : static_cast<size_t>(selectionModel()->selectedRows().size());
}

size_t ListView::RowsPerPage() const {
  const int rowHeight = verticalHeader()->defaultSectionSize();
  if (rowHeight <= 0) return 0;
  return static_cast<size_t>(std::max(0, viewport()->height() / rowHeight));
}

bool ListView::RowsAreaContains(const QPoint& globalPoint) const {
  if (!isVisible()) return false;
  const QPoint p = viewport()->mapFromGlobal(globalPoint);
  const QRect area = viewport()->rect();
  return p.x() > area.left() && p.x() < area.right() && p.y() > area.top() && p.y() < area.bottom();
}

int ProgressPercent(const QString& text) {
  if (text.isEmpty()) return -1;
  int value = 0;
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
    value = std::min(100, value * 10 + (c.unicode() - '0'));
  }
  return value;
}

void ProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QString text = index.data(Qt::DisplayRole).toString();
  const int percent = ProgressPercent(text);
  if (percent < 0) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  painter->save();
  const QRect frame = option.rect.adjusted(1, 1, -2, -2);
  painter->fillRect(frame, QColor(0xF4, 0xF4, 0xF4));
  QRect done = frame;
  done.setWidth(frame.width() * percent / 100);
  painter->fillRect(done, QColor(0x7C, 0xC5, 0x76));
  painter->setPen(QColor(0x80, 0x80, 0x80));
  painter->drawRect(frame);
  painter->setPen(option.palette.color(QPalette::Text));
  painter->drawText(frame, Qt::AlignCenter, text);
  painter->restore();
}

}  // namespace vexon::widgets
