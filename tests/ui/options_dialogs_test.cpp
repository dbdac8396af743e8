#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QMap>
#include <QStringList>
#include <QtTest>

#include <chrono>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/ui/find_control.h"
#include "fakes/ports.h"
#include "search/search_options.h"
#include "search/ui/search_options_dialog.h"
#include "storage/system_options.h"
#include "storage/ui/system_options_dialog.h"

using namespace std::chrono_literals;
using vexon::search::FileType;
using vexon::search::SearchOptions;
using vexon::search::ui::CSearchOptionsDlg;
using vexon::storage::SystemOptions;
using vexon::storage::ui::CSystemOptionsDlg;

namespace {

using FakePrompter = vexon::test::RecordingPrompter;
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

// As if pasted: the System Options dialog reads its edits on OK only.
void PasteText(QWidget& dialog, int id, const QString& text) {
  QLineEdit* edit = Find<QLineEdit>(dialog, id);
  edit->selectAll();
  edit->insert(text);
}

// The System Options dialog over stored fields.
struct Fixture {
  Fixture() { dialog.show(); }
  SystemOptions fields{"/music/", true, 3, 0, 10, 200};
  vexon::test::ScriptedFolderChooser chooser;
  vexon::test::RecordingPrompter prompter;
  CSystemOptionsDlg dialog{fields, chooser, prompter, {}, nullptr};
};

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

class OptionsDialogsTest final : public QObject {
  Q_OBJECT

 private slots:
  void OkWritesTheFilters() {
    struct Case {
      int dateRadio;
      QList<QDate> dates;
      int sizeRadio;
      QStringList sizes;
      std::string dateFilter, sizeFilter;
    };
    const std::vector<Case> cases = {
        {1025, {}, 1023, {}, "", ""},  // 不限
        {1024, {QDate(2024, 7, 4)}, 1060, {"300"}, "1|7/4/2024", "1|300"},
        {1026, {QDate(2023, 12, 25)}, 1061, {"0"}, "2|12/25/2023", "2|0"},
        // 区间, reversed and in order.
        {1027, {QDate(2024, 2, 1), QDate(2023, 1, 9)}, 1062, {"5120", "0"}, "3|1/9/2023|2/1/2024", "3|0|5120"},
        {1027, {QDate(2020, 1, 1), QDate(2020, 1, 2)}, 1062, {"7", "1000000"}, "3|1/1/2020|1/2/2020", "3|7|1000000"}};
    // The date pickers and size edits of each choice.
    const QMap<int, QList<int>> fields = {{1024, {1071}}, {1026, {1064}}, {1027, {1065, 1066}},
                                          {1060, {1067}}, {1061, {1068}}, {1062, {1069, 1070}}};
    for (const Case& c : cases) {
      SearchOptions options = Changed();
      FakePrompter prompter;
      CSearchOptionsDlg dialog(options, kToday, prompter, {}, nullptr);
      dialog.show();
      Click(dialog, c.dateRadio);
      for (int i = 0; i < c.dates.size(); ++i) Find<QDateEdit>(dialog, fields[c.dateRadio][i])->setDate(c.dates[i]);
      Click(dialog, c.sizeRadio);
      for (int i = 0; i < c.sizes.size(); ++i) SetText(dialog, fields[c.sizeRadio][i], c.sizes[i]);
      Click(dialog, 1079);  // mpeg off
      Click(dialog, 1053);  // mp3 on
      Click(dialog, 1304);  // flac on
      SetText(dialog, 1104, "75");
      Click(dialog, 1080);
      QVERIFY(prompter.texts.empty());
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QVERIFY(!dialog.isVisible());
      QCOMPARE(options.dateFilter, c.dateFilter);
      QCOMPARE(options.sizeFilter, c.sizeFilter);
      QCOMPARE(options.maxResults, 75u);
      QVERIFY(options.Has(FileType::kMp3) && !options.Has(FileType::kMpeg));
      QVERIFY(options.Has(FileType::kAsf) && !options.Has(FileType::kRm));
      QVERIFY(options.Has(FileType::kFlac) && !options.Has(FileType::kOgg));
    }
  }

  // "搜索来源": the boxes show the services asked; OK needs at least one.
  void OkNeedsASourceAndWritesTheChosenOnes() {
    SearchOptions options = Changed();
    options.sources = {true, false, true};
    FakePrompter prompter;
    CSearchOptionsDlg dialog(options, kToday, prompter, {}, nullptr);
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

  // System Options: the edits are read on OK only.
  void TheFirstRefusedFieldInCheckingOrderIsNamed() {
    Fixture f;
    // A path of sixty letters shows whole.
    auto* folder = Find<QLineEdit>(f.dialog, 1040);
    const QString path = QStringLiteral("/home/someone/Music/Downloads/2026/Live/Concerts/Archive/ab/");
    QCOMPARE(path.size(), 60);
    QVERIFY(folder->width() > folder->fontMetrics().horizontalAdvance(path));
    PasteText(f.dialog, 1090, "0");
    PasteText(f.dialog, 1093, "2000");
    PasteText(f.dialog, 1091, "4");
    PasteText(f.dialog, 1092, "x");
    // Folder, history, downloads, log, speed: each named, then fixed.
    const std::vector<std::tuple<int, const char*, QString>> steps = {
        {1091, "请输入一个 5 到 20 之间的整数。", "6"},
        {1090, "请输入一个 1 到 10 之间的整数。", "2"},
        {1092, "请输入一个 50 到 200 之间的整数。", "60"},
        {1093, "请输入一个 0 到 1000 之间的整数。", "100"}};
    for (const auto& [id, text, fix] : steps) {
      Click(f.dialog, 1);
      QCOMPARE(QString::fromStdString(f.prompter.texts.back()), QString::fromUtf8(text));
      QCOMPARE(f.dialog.focusWidget(), Find<QWidget>(f.dialog, id));
      PasteText(f.dialog, id, fix);
    }
    Click(f.dialog, 1117);
    Click(f.dialog, 1);
    QCOMPARE(f.prompter.texts.size(), steps.size());
    QCOMPARE(f.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(f.fields.searchHistoryMaxItems, 6u);
    QCOMPARE(f.fields.maxDownloadThreads, 2u);
    QCOMPARE(f.fields.completedMaxItems, 60u);
    QCOMPARE(f.fields.maxDownloadSpeed, 100u);
    QVERIFY(!f.fields.titleDown);
  }

  // The language choice shows the stored one (auto for anything else) and OK
  // writes the chosen one.
  void TheLanguageChoiceShowsAndWritesItsValue() {
    for (const auto& [stored, shown, chosen] :
         std::vector<std::tuple<std::string, QString, int>>{{"auto", "auto", 2}, {"en", "en", 1}, {"zh", "zh", 0}}) {
      SystemOptions fields{"/music/", true, 3, 0, 10, 200, stored};
      vexon::test::ScriptedFolderChooser chooser;
      vexon::test::RecordingPrompter prompter;
      CSystemOptionsDlg dialog{fields, chooser, prompter, {}, nullptr};
      auto* language = Find<QComboBox>(dialog, 1094);
      QCOMPARE(language->currentData().toString(), shown);
      language->setCurrentIndex(chosen);
      Click(dialog, 1);
      QCOMPARE(fields.language, std::vector<std::string>({"auto", "zh", "en"})[static_cast<size_t>(chosen)]);
    }
  }
};

QTEST_MAIN(OptionsDialogsTest)
#include "options_dialogs_test.moc"
