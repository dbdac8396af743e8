#include "widgets/list_table_model.h"

#include <QFont>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <utility>

#include "text/shown_values.h"
#include "widgets/texts.h"

namespace vexon::widgets {
namespace {

// Longer cells (a title of a hostile page) are cut in the middle before Qt shapes
// and elides them on every paint.
constexpr size_t kLongestShownBytes = 1024;
constexpr const char* kExactBytesFormat = "%1 字节";

}  // namespace

ListTableModel::ListTableModel(core::ListTable& table, text::Translator texts, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      texts_(std::move(texts)),
      observer_(*this),
      rowCount_(static_cast<int>(table.rowCount())) {
  table_.SetObserver(&observer_);
}

ListTableModel::~ListTableModel() {
  table_.SetObserver(nullptr);
}

void ListTableModel::SetImageColumn(int column, IconProvider provider) {
  imageColumn_ = column;
  iconProvider_ = std::move(provider);
  if (rowCount_ > 0 && column >= 0 && column < columnCount()) {
    emit dataChanged(index(0, column), index(rowCount_ - 1, column), {Qt::DecorationRole});
  }
}

void ListTableModel::SetShown(int column, Shown shown) {
  if (column < 0) return;
  if (shown_.size() <= static_cast<size_t>(column)) shown_.resize(static_cast<size_t>(column) + 1, Shown::kText);
  shown_[static_cast<size_t>(column)] = shown;
}

QString ListTableModel::ShownText(size_t row, size_t column) const {
  const std::string& cell = table_.Cell(row, column);
  std::string shown;
  switch (column < shown_.size() ? shown_[column] : Shown::kText) {
    case Shown::kText: break;
    case Shown::kBytes: shown = text::SizeForPeople(cell); break;
    case Shown::kDate: shown = text::DateForPeople(cell); break;
    case Shown::kUrl: shown = text::UrlForPeople(cell); break;
  }
  if (shown.empty()) shown = cell;
  return QString::fromStdString(text::MiddleCut(shown, kLongestShownBytes));
}

QString ListTableModel::TipText(size_t row, size_t column) const {
  QString tip = ShownText(row, column);
  if (column < shown_.size() && shown_[column] == Shown::kBytes) {
    const std::string digits = text::GroupedDigits(table_.Cell(row, column));
    if (!digits.empty()) tip = QString::fromStdString(texts_.Fill(kExactBytesFormat, digits));
  }
  // A row's note (why a download stopped) follows the cell's own text.
  const std::string& note = table_.Note(row);
  if (!note.empty()) tip += QLatin1Char('\n') + QString::fromStdString(text::MiddleCut(note, kLongestShownBytes));
  return tip;
}

int ListTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rowCount_;
}

int ListTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.columnCount());
}

std::optional<size_t> ListTableModel::TableRow(int row) const {
  if (row < 0) return std::nullopt;
  const auto r = static_cast<size_t>(row);
  switch (pending_.kind) {
    case Pending::Kind::kNone: return r;
    case Pending::Kind::kInsert: return r < pending_.first ? r : r + pending_.count;
    case Pending::Kind::kRemove:
      if (r < pending_.first) return r;
      if (r < pending_.first + pending_.count) return std::nullopt;
      return r - pending_.count;
    case Pending::Kind::kReorder:
      if (r >= pending_.newPosition.size()) return std::nullopt;
      return pending_.newPosition[r];
  }
  return std::nullopt;
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  const std::optional<size_t> row = TableRow(index.row());
  if (!row || *row >= table_.rowCount()) return {};
  const auto column = static_cast<size_t>(index.column());
  switch (role) {
    case Qt::DisplayRole: return ShownText(*row, column);
    case Qt::ToolTipRole: return TipText(*row, column);
    case Qt::FontRole:
      if (table_.Mark(*row, column)) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::DecorationRole:
      if (index.column() == imageColumn_ && iconProvider_ && table_.Image(*row) >= 0) {
        return iconProvider_(table_.Image(*row));
      }
      return {};
    default: return {};
  }
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  const core::ColumnDef& def = table_.columns()[static_cast<size_t>(section)];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return Text(texts_, def.name);
    case Qt::InitialSortOrderRole:
      // A first click on a column sorts it ascending, as the table's rule does.
      return static_cast<int>(Qt::AscendingOrder);
    default: return {};
  }
}

void ListTableModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= columnCount()) return;
  table_.Sort(static_cast<size_t>(column), order == Qt::AscendingOrder);
}

void ListTableModel::SortByHeaderClick(int column) {
  if (column < 0 || column >= columnCount()) return;
  table_.SortByHeaderClick(static_cast<size_t>(column));
}

void ListTableModel::Observer::RowsInserted(size_t first, size_t count) {
  if (count == 0) return;
  const auto firstRow = static_cast<int>(first);
  model_.pending_ = Pending{Pending::Kind::kInsert, first, count, {}};
  model_.beginInsertRows({}, firstRow, firstRow + static_cast<int>(count) - 1);
  model_.pending_ = {};
  model_.rowCount_ = static_cast<int>(model_.table_.rowCount());
  model_.endInsertRows();
}

void ListTableModel::Observer::RowsRemoved(size_t first, size_t count) {
  if (count == 0) return;
  const auto firstRow = static_cast<int>(first);
  model_.pending_ = Pending{Pending::Kind::kRemove, first, count, {}};
  model_.beginRemoveRows({}, firstRow, firstRow + static_cast<int>(count) - 1);
  model_.pending_ = {};
  model_.rowCount_ = static_cast<int>(model_.table_.rowCount());
  model_.endRemoveRows();
}

void ListTableModel::Observer::CellsChanged(size_t row, size_t firstColumn, size_t lastColumn) {
  const auto r = static_cast<int>(row);
  emit model_.dataChanged(model_.index(r, static_cast<int>(firstColumn)),
                          model_.index(r, static_cast<int>(lastColumn)));
}

void ListTableModel::Observer::RowsReordered(const std::vector<size_t>& newOrder) {
  Pending pending{Pending::Kind::kReorder, 0, 0, std::vector<size_t>(newOrder.size())};
  for (size_t i = 0; i < newOrder.size(); ++i) pending.newPosition[newOrder[i]] = i;
  model_.pending_ = std::move(pending);
  emit model_.layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  // Persistent indexes (a view's selection and current row) follow their rows.
  const QModelIndexList from = model_.persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex& old : from) {
    const auto oldRow = static_cast<size_t>(old.row());
    if (oldRow < model_.pending_.newPosition.size()) {
      to.append(model_.index(static_cast<int>(model_.pending_.newPosition[oldRow]), old.column()));
    } else {
      to.append(QModelIndex());
    }
  }
  model_.changePersistentIndexList(from, to);
  model_.pending_ = {};
  emit model_.layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace vexon::widgets
