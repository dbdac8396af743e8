#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QtTest>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "app/ui/find_control.h"
#include "core/prompter.h"
#include "fakes/ports.h"
#include "search/search_options.h"
#include "search/search_options_form.h"
#include "search/ui/search_options_dialog.h"

using namespace std::chrono_literals;
using vexon::core::MessageButtons;
using vexon::core::MessageIcon;
using vexon::core::MessageResult;
using vexon::search::FileType;
using vexon::search::SearchOptions;
using vexon::search::ui::CSearchOptionsDlg;

namespace {

using FakePrompter = vexon::test::RecordingPrompter;
using FakeChooser = vexon::test::ScriptedFolderChooser;
using vexon::app::ui::Find;

constexpr std::chrono::year_month_day kToday = 2024y / 6 / 15;

void Click(QWidget& dialog, int id) {
  QTest::mouseClick(Find<QAbstractButton>(dialog, id), Qt::LeftButton);
}

void SetText(QWidget& dialog, int id, const QString& text) {
  QLineEdit* edit = Find<QLineEdit>(dialog, id);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

SearchOptions Changed() {
  SearchOptions options;
  options.types.fill(false);
  options.Set(FileType::kMpeg, true);
  options.Set(FileType::kAsf, true);
  options.dateFilter = "2|3/5/2023";
  options.sizeFilter = "3|10|20";
  options.maxResults = 50;
  return options;
}

}  // namespace

class SearchOptionsDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  void OkWritesTheFilters_data() {
    QTest::addColumn<int>("dateRadio");
    QTest::addColumn<QDate>("firstDate");
    QTest::addColumn<QDate>("secondDate");
    QTest::addColumn<int>("sizeRadio");
    QTest::addColumn<QString>("firstSize");
    QTest::addColumn<QString>("secondSize");
    QTest::addColumn<QString>("dateFilter");
    QTest::addColumn<QString>("sizeFilter");
    const QDate none;
    QTest::newRow("不限") << 1025 << none << none << 1023 << ""
                          << ""
                          << ""
                          << "";
    QTest::newRow("此前, < =") << 1024 << QDate(2024, 7, 4) << none << 1060 << "300"
                               << ""
                               << "1|7/4/2024"
                               << "1|300";
    QTest::newRow("此后, > =") << 1026 << QDate(2023, 12, 25) << none << 1061 << "0"
                               << ""
                               << "2|12/25/2023"
                               << "2|0";
    QTest::newRow("区间, reversed") << 1027 << QDate(2024, 2, 1) << QDate(2023, 1, 9) << 1062 << "5120"
                                    << "0"
                                    << "3|1/9/2023|2/1/2024"
                                    << "3|0|5120";
    QTest::newRow("区间, in order") << 1027 << QDate(2020, 1, 1) << QDate(2020, 1, 2) << 1062 << "7"
                                    << "1000000"
                                    << "3|1/1/2020|1/2/2020"
                                    << "3|7|1000000";
  }

  void OkWritesTheFilters() {
    QFETCH(int, dateRadio);
    QFETCH(QDate, firstDate);
    QFETCH(QDate, secondDate);
    QFETCH(int, sizeRadio);
    QFETCH(QString, firstSize);
    QFETCH(QString, secondSize);
    QFETCH(QString, dateFilter);
    QFETCH(QString, sizeFilter);
    SearchOptions options = Changed();
    FakePrompter prompter;
    CSearchOptionsDlg dialog(options, kToday, prompter, nullptr);
    dialog.show();

    Click(dialog, dateRadio);
    const QList<int> pickers = dateRadio == 1024   ? QList<int>{1071}
                               : dateRadio == 1026 ? QList<int>{1064}
                               : dateRadio == 1027 ? QList<int>{1065, 1066}
                                                   : QList<int>{};
    if (!pickers.isEmpty()) Find<QDateEdit>(dialog, pickers[0])->setDate(firstDate);
    if (pickers.size() > 1) Find<QDateEdit>(dialog, pickers[1])->setDate(secondDate);
    Click(dialog, sizeRadio);
    const QList<int> edits = sizeRadio == 1060   ? QList<int>{1067}
                             : sizeRadio == 1061 ? QList<int>{1068}
                             : sizeRadio == 1062 ? QList<int>{1069, 1070}
                                                 : QList<int>{};
    if (!edits.isEmpty()) SetText(dialog, edits[0], firstSize);
    if (edits.size() > 1) SetText(dialog, edits[1], secondSize);
    Click(dialog, 1079);  // mpeg off
    Click(dialog, 1053);  // mp3 on
    SetText(dialog, 1104, "75");

    Click(dialog, 1080);
    QVERIFY(prompter.texts.empty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(QString::fromStdString(options.dateFilter), dateFilter);
    QCOMPARE(QString::fromStdString(options.sizeFilter), sizeFilter);
    QCOMPARE(options.maxResults, 75u);
    QVERIFY(options.Has(FileType::kMp3));
    QVERIFY(!options.Has(FileType::kMpeg));
    QVERIFY(options.Has(FileType::kAsf));
    QVERIFY(!options.Has(FileType::kRm));
  }

  // "搜索来源": the boxes show the services asked; OK needs at least one.
  void OkNeedsASourceAndWritesTheChosenOnes() {
    SearchOptions options = Changed();
    options.sources = {true, false, true};
    FakePrompter prompter;
    CSearchOptionsDlg dialog(options, kToday, prompter, nullptr);
    dialog.show();
    QVERIFY(Find<QCheckBox>(dialog, 1131)->isChecked());
    QVERIFY(!Find<QCheckBox>(dialog, 1132)->isChecked());
    QCOMPARE(Find<QCheckBox>(dialog, 1133)->text(), QStringLiteral("互联网档案馆"));
    Click(dialog, 1131);
    Click(dialog, 1133);
    Click(dialog, 1080);
    QCOMPARE(prompter.texts, (std::vector<std::string>{"请至少选择一个搜索来源。"}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(vexon::search::SourcesText(options), std::string("baidu,archive"));
    Click(dialog, 1132);
    Click(dialog, 1080);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(vexon::search::SourcesText(options), std::string("yahoo"));
    QVERIFY(options.Asks("yahoo") && !options.Asks("archive"));
  }
};

QTEST_MAIN(SearchOptionsDialogTest)
#include "search_options_dialog_test.moc"
