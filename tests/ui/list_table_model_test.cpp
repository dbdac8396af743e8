#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "core/list_table.h"
#include "widgets/list_table_model.h"

using vexon::core::ListTable;
using vexon::widgets::ListTableModel;

namespace {

constexpr std::string_view kColumns = ",25;文件名,100;大小,70;日期,80";

QStringList ColumnTexts(const ListTableModel& model, int column) {
  QStringList out;
  for (int row = 0; row < model.rowCount(); ++row) {
    out << model.data(model.index(row, column)).toString();
  }
  return out;
}

QList<int> SelectedRows(const QItemSelectionModel& selection) {
  QList<int> rows;
  for (const QModelIndex& index : selection.selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

}  // namespace

class ListTableModelTest final : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    table_ = std::make_unique<ListTable>(kColumns);
    table_->AppendRow({"0", "a.mp3", "10", "01/02/2003"});
    table_->AppendRow({"1", "b.mp3", "9", "12/31/2001"});
    table_->AppendRow({"2", "c.mp3", "100", "06/15/2002"});
    model_ = std::make_unique<ListTableModel>(*table_, vexon::text::Translator());
    // Fails the test on any inconsistent signal or answer.
    tester_ = std::make_unique<QAbstractItemModelTester>(model_.get(),
                                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
  }

  void cleanup() {
    tester_.reset();
    model_.reset();
    table_.reset();
  }

  void RemovedRowIsAnnouncedAndFollowersMoveUp() {
    QPersistentModelIndex last(model_->index(2, 1));
    QSignalSpy removed(model_.get(), &QAbstractItemModel::rowsRemoved);
    table_->RemoveRow(1);
    // The model tester checks each signal against the rows; these are the right rows.
    QCOMPARE(removed.count(), 1);
    QCOMPARE(ColumnTexts(*model_, 1), (QStringList{"a.mp3", "c.mp3"}));
    QCOMPARE(last.row(), 1);
    table_->Clear();
    QCOMPARE(removed.count(), 2);
    QCOMPARE(model_->rowCount(), 0);
  }

  void HeaderSortUsesTheIntegerRule() {
    QSignalSpy aboutToChange(model_.get(), &QAbstractItemModel::layoutAboutToBeChanged);
    QSignalSpy changed(model_.get(), &QAbstractItemModel::layoutChanged);
    model_->SortByHeaderClick(2);
    QCOMPARE(ColumnTexts(*model_, 2), (QStringList{"9", "10", "100"}));
    QCOMPARE(aboutToChange.count(), 1);
    QCOMPARE(changed.count(), 1);
    // A second click on the same column flips the direction.
    model_->SortByHeaderClick(2);
    QCOMPARE(ColumnTexts(*model_, 2), (QStringList{"100", "10", "9"}));
    QVERIFY(!table_->sortAscending());

    // Qt's sort entry point takes the order asked; dates compare year first.
    model_->sort(3, Qt::AscendingOrder);
    QCOMPARE(ColumnTexts(*model_, 1), (QStringList{"b.mp3", "c.mp3", "a.mp3"}));
    QCOMPARE(table_->sortColumn(), size_t{3});
    QVERIFY(table_->sortAscending());
  }

  void SelectionStaysOnItsRowsAcrossASort() {
    QItemSelectionModel selection(model_.get());
    // b.mp3 (size 9) and c.mp3 (size 100).
    selection.select(model_->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.select(model_->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.setCurrentIndex(model_->index(2, 1), QItemSelectionModel::NoUpdate);
    model_->sort(2, Qt::DescendingOrder);
    QCOMPARE(ColumnTexts(*model_, 1), (QStringList{"c.mp3", "a.mp3", "b.mp3"}));
    QCOMPARE(SelectedRows(selection), (QList<int>{0, 2}));
    QCOMPARE(selection.currentIndex(), model_->index(0, 1));
  }

  // A row's note (why a download stopped) is told in the tooltip of each of its
  // cells, after the cell's own text, and a change of it is announced.
  void ARowsNoteFollowsEachCellsTooltip() {
    QSignalSpy changed(model_.get(), &QAbstractItemModel::dataChanged);
    table_->SetNote(1, "why");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model_->index(1, 1).data(Qt::ToolTipRole).toString(), QString("b.mp3\nwhy"));
    QCOMPARE(model_->index(1, 1).data().toString(), QString("b.mp3"));
    QCOMPARE(model_->index(0, 1).data(Qt::ToolTipRole).toString(), QString("a.mp3"));
    table_->SetNote(1, "");
    QCOMPARE(model_->index(1, 2).data(Qt::ToolTipRole).toString(), QString("9"));
  }

 private:
  std::unique_ptr<ListTable> table_;
  std::unique_ptr<ListTableModel> model_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

QTEST_MAIN(ListTableModelTest)
#include "list_table_model_test.moc"
