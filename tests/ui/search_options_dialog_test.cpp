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

#include "core/prompter.h"
#include "fakes/ports.h"
#include "app/ui/find_control.h"
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

// The ids of the enabled controls among the pickers and size edits.
QStringList EnabledFields(QWidget& dialog) {
  QStringList enabled;
  for (int id : {1071, 1064, 1065, 1066}) {
    if (Find<QDateEdit>(dialog, id)->isEnabled()) enabled << QString::number(id);
  }
  for (int id : {1067, 1068, 1069, 1070}) {
    if (Find<QLineEdit>(dialog, id)->isEnabled()) enabled << QString::number(id);
  }
  return enabled;
}

QString CheckedTypes(QWidget& dialog) {
  QStringList names;
  for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
    if (box->isChecked()) names << box->text();
  }
  return names.join(',');
}

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

void ExpectSame(const SearchOptions& actual, const SearchOptions& expected) {
  QVERIFY(actual.types == expected.types);
  QCOMPARE(actual.dateFilter, expected.dateFilter);
  QCOMPARE(actual.sizeFilter, expected.sizeFilter);
  QCOMPARE(actual.maxResults, expected.maxResults);
}

}  // namespace

class SearchOptionsDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  void ShowsTheDefaultsWithTypeBoxesInTableOrder() {
    SearchOptions options;
    FakePrompter prompter;
    CSearchOptionsDlg dialog(options, kToday, prompter, nullptr);

    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("维松MP3"));
    const int ids[] = {1053, 1054, 1055, 1063, 1081, 1078, 1079,
                       1059, 1074, 1075, 1056, 1076, 1077, 1057};
    const QStringList names = {"mp3", "rm",  "wma", "swf", "wmv", "mpg", "mpeg",
                               "mid", "wav", "avi", "ram", "ra",  "asx", "asf"};
    for (int i = 0; i < 14; ++i) QCOMPARE(Find<QCheckBox>(dialog, ids[i])->text(), names[i]);
    QCOMPARE(CheckedTypes(dialog), QString("mp3,rm,wma,swf"));
    QVERIFY(Find<QRadioButton>(dialog, 1025)->isChecked());
    QVERIFY(Find<QRadioButton>(dialog, 1023)->isChecked());
    QVERIFY(EnabledFields(dialog).isEmpty());
    QCOMPARE(Find<QDateEdit>(dialog, 1071)->date(), QDate(2024, 6, 15));
    QCOMPARE(Find<QDateEdit>(dialog, 1066)->date(), QDate(2024, 6, 15));
    QCOMPARE(Find<QDateEdit>(dialog, 1064)->date(), QDate(2023, 6, 16));
    QCOMPARE(Find<QDateEdit>(dialog, 1065)->date(), QDate(2023, 6, 16));
    QVERIFY(Find<QDateEdit>(dialog, 1071)->calendarPopup());
    QCOMPARE(Find<QLineEdit>(dialog, 1067)->text(), QString("1024"));
    QCOMPARE(Find<QLineEdit>(dialog, 1068)->text(), QString("1024"));
    QCOMPARE(Find<QLineEdit>(dialog, 1069)->text(), QString("0"));
    QCOMPARE(Find<QLineEdit>(dialog, 1070)->text(), QString("5120"));
    QCOMPARE(Find<QLineEdit>(dialog, 1104)->text(), QString("0"));
  }

  void RadioEnablesOnlyItsControls_data() {
    QTest::addColumn<int>("radio");
    QTest::addColumn<QStringList>("enabled");
    QTest::newRow("此前") << 1024 << QStringList({"1071"});
    QTest::newRow("此后") << 1026 << QStringList({"1064"});
    QTest::newRow("日期区间") << 1027 << QStringList({"1065", "1066"});
    QTest::newRow("< =") << 1060 << QStringList({"1067"});
    QTest::newRow("> =") << 1061 << QStringList({"1068"});
    QTest::newRow("大小区间") << 1062 << QStringList({"1069", "1070"});
  }

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
    QTest::newRow("不限") << 1025 << none << none << 1023 << "" << "" << "" << "";
    QTest::newRow("此前, < =") << 1024 << QDate(2024, 7, 4) << none << 1060 << "300" << ""
                               << "1|7/4/2024" << "1|300";
    QTest::newRow("此后, > =") << 1026 << QDate(2023, 12, 25) << none << 1061 << "0" << ""
                               << "2|12/25/2023" << "2|0";
    QTest::newRow("区间, reversed") << 1027 << QDate(2024, 2, 1) << QDate(2023, 1, 9) << 1062
                                    << "5120" << "0" << "3|1/9/2023|2/1/2024" << "3|0|5120";
    QTest::newRow("区间, in order") << 1027 << QDate(2020, 1, 1) << QDate(2020, 1, 2) << 1062
                                    << "7" << "1000000" << "3|1/1/2020|1/2/2020" << "3|7|1000000";
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

  void RefusedEditKeepsTheDialogOpen_data() {
    QTest::addColumn<int>("radio");
    QTest::addColumn<int>("edit");
    QTest::addColumn<QString>("text");
    QTest::newRow("too big") << 1060 << 1067 << "1000001";
    QTest::newRow("not a number") << 1023 << 1104 << "abc";
    QTest::newRow("negative") << 1062 << 1070 << "-1";
    QTest::newRow("empty") << 1023 << 1104 << "";
  }

  void CancelChangesNothing() {
    const SearchOptions original = Changed();
    SearchOptions options = original;
    FakePrompter prompter;
    CSearchOptionsDlg dialog(options, kToday, prompter, nullptr);
    dialog.show();
    Click(dialog, 1125);
    Click(dialog, 1024);
    Click(dialog, 1023);
    SetText(dialog, 1104, "9");

    Click(dialog, 2);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    ExpectSame(options, original);
  }
};

QTEST_MAIN(SearchOptionsDialogTest)
#include "search_options_dialog_test.moc"
