// The window from the keyboard, and the values its lists show for people.
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include <filesystem>
#include <string>

#include "app/menu_layout.h"
#include "core/list_schemas.h"
#include "storage/result_file.h"
#include "window_fixture.h"

namespace cmd = vexon::app::cmd;
using vexon::test::CompletedView;
using vexon::test::DownloadView;
using vexon::test::ResultsView;
using vexon::test::SearchBox;
using vexon::test::WindowFixture;
namespace ctl = vexon::app::ctl;
namespace core = vexon::core;

namespace {

// The result file the tests open: readable rows and hostile ones.
std::string WriteResults(WindowFixture& f) {
  core::ListTable rows(core::kResultsColumns);
  rows.AppendRow(
      {"0", "何日君再来.mp3", "mp3", "6075944", "07/04/2017", "何日君再来", "http://127.0.0.1:9/a b/%E4%BD%95.mp3"});
  rows.AppendRow({"1", "big.mp3", "mp3", "18446744073709551615", "13/45/2017", std::string(100000, 't') + ".end",
                  "http://127.0.0.1:9/%E2%80%AEevil%01.mp3"});
  const std::string path = f.Path("r.msf").string();
  vexon::storage::WriteResultFile(path, rows);
  return path;
}

QString Cell(QAbstractItemView& view, int row, int column, int role = Qt::DisplayRole) {
  return view.model()->index(row, column).data(role).toString();
}

QString FocusName() {
  QWidget* focus = QApplication::focusWidget();
  if (focus != nullptr && qobject_cast<QLineEdit*>(focus) != nullptr && focus->parentWidget() != nullptr &&
      focus->parentWidget()->objectName() == QString::number(ctl::kSearchBox)) {
    focus = focus->parentWidget();
  }
  return focus == nullptr ? QString() : focus->objectName();
}

}  // namespace

class WindowKeysTest final : public QObject {
  Q_OBJECT

 private slots:
  void ListsShowValuesForPeopleAndKeepTheirBytes() {
    WindowFixture f;
    const std::string path = WriteResults(f);
    f.ports.chooseOpenFile = [&path](const QString&) { return QString::fromStdString(path); };
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    auto& results = ResultsView(w);
    QCOMPARE(results.model()->rowCount(), 2);
    QCOMPARE(Cell(results, 0, core::kResultSize), QStringLiteral("5.8 MB"));
    QCOMPARE(Cell(results, 0, core::kResultSize, Qt::ToolTipRole), QString::fromUtf8("6,075,944 字节"));
    QCOMPARE(Cell(results, 0, core::kResultDate), QStringLiteral("2017/7/4"));
    QCOMPARE(Cell(results, 0, core::kResultUrl), QString::fromUtf8("http://127.0.0.1:9/a b/何.mp3"));
    QCOMPARE(Cell(results, 1, core::kResultSize), QStringLiteral("17179869184.0 GB"));
    QCOMPARE(Cell(results, 1, core::kResultDate), QStringLiteral("13/45/2017"));
    QCOMPARE(Cell(results, 1, core::kResultUrl), QStringLiteral("http://127.0.0.1:9/%E2%80%AEevil%01.mp3"));
    const QString title = Cell(results, 1, core::kResultTitle);
    QVERIFY(title.size() <= 1024 && title.endsWith(QStringLiteral("t.end")));
    // The table keeps what the file holds; the clipboard gets a URL a browser takes.
    QCOMPARE(results.table().Cell(1, core::kResultSize), std::string("18446744073709551615"));
    results.selectRow(0);
    w.OnCommand(cmd::kCopyUrl);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1:9/a%20b/%E4%BD%95.mp3"));
  }

  void TabEnterDeleteAndTheCommandKeys() {
    WindowFixture f;
    const std::string dir = f.config.startDir.string();
    f.WriteFile("dl/kept.mp3", "k");
    f.WriteFile("vudez.ini", "[Mp3_completed]\r\nItem0=" + dir + "/dl/kept.mp3\r\n[" + dir +
                                 "/a.mp3]\r\nURL=http://127.0.0.1:9/a.mp3\r\nSize=1000\r\n");
    const std::string path = WriteResults(f);
    f.ports.chooseOpenFile = [&path](const QString&) { return QString::fromStdString(path); };
    int saves = 0;
    f.ports.chooseSaveFile = [&saves](const QString&) {
      ++saves;
      return QString();
    };
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.OnCommand(cmd::kOpenResults);

    // Tab: the search box, each type choice, the results, the lower list shown.
    const QStringList types = {QString::number(ctl::kTypeMp3), QString::number(ctl::kTypeRm),
                               QString::number(ctl::kTypeWma), QString::number(ctl::kTypeFlash),
                               QString::number(ctl::kTypeWmv), QString::number(ctl::kTypeMpg)};
    const QString box = QString::number(ctl::kSearchBox);
    const QString resultsName = QString::number(ctl::kResultsList);
    for (const auto& [lower, tail] :
         {std::pair{cmd::kShowDownloadList, QStringList{QString::number(ctl::kDownloadList)}},
          std::pair{cmd::kShowCompletedList,
                    QStringList{QStringLiteral("logFilter"), QString::number(ctl::kCompletedList)}}}) {
      w.OnCommand(lower);
      SearchBox(w).setFocus();
      QStringList walked = {FocusName()};
      for (int i = 0; i < types.size() + 2 + tail.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << FocusName();
      }
      QCOMPARE(walked, QStringList{box} + types + QStringList{resultsName} + tail + QStringList{box});
    }

    // Enter in the results queues the selection and keeps the list.
    w.OnCommand(cmd::kShowDownloadList);
    auto& results = ResultsView(w);
    results.setFocus();
    results.selectRow(0);
    QTest::keyClick(&results, Qt::Key_Return);
    QTRY_COMPARE(DownloadView(w).model()->rowCount(), 2);
    QCOMPARE(results.model()->rowCount(), 2);
    // Nothing listens there: the row's tip says why in words, beside the code.
    QTRY_VERIFY_WITH_TIMEOUT(Cell(DownloadView(w), 1, core::kDownloadState, Qt::ToolTipRole)
                                 .contains(QString::fromUtf8("12029 (不能解析主机名")),
                             20000);
    QCOMPARE(Cell(DownloadView(w), 1, core::kDownloadState), QString::fromUtf8("停止下载"));

    // Enter resumes a stopped download, as a double-click does.
    auto& downloads = DownloadView(w);
    downloads.setFocus();
    downloads.selectRow(0);
    QVERIFY(!Cell(downloads, 0, core::kDownloadState, Qt::ToolTipRole).contains(QStringLiteral("12029")));
    QTest::keyClick(&downloads, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(
        Cell(downloads, 0, core::kDownloadState, Qt::ToolTipRole).contains(QStringLiteral("12029")), 20000);
    // Delete asks before it deletes downloads; on the log it clears the entry only.
    f.prompter.answer = vexon::core::MessageResult::kNo;
    const size_t asked = f.prompter.texts.size();
    QTest::keyClick(&downloads, Qt::Key_Delete);
    QCOMPARE(f.prompter.texts.size(), asked + 1);
    QCOMPARE(downloads.model()->rowCount(), 2);
    w.OnCommand(cmd::kShowCompletedList);
    auto& log = CompletedView(w);
    log.setFocus();
    log.selectRow(0);
    f.prompter.answer = vexon::core::MessageResult::kYes;
    QTest::keyClick(&log, Qt::Key_Delete);
    QCOMPARE(log.model()->rowCount(), 0);
    QVERIFY(std::filesystem::exists(f.Path("dl/kept.mp3")));

    // The menus show each standard key, and each key runs its command.
    QObject* commands = w.findChild<QObject*>(QStringLiteral("commands"));
    for (const vexon::app::CommandKey& key : vexon::app::CommandKeys()) {
      auto* action = commands->findChild<QAction*>(QString::number(key.command));
      QVERIFY(action != nullptr);
      QCOMPARE(action->shortcut().toString(), QString::fromLatin1(key.keys.data(), key.keys.size()));
    }
    results.setFocus();
    QTest::keyClick(&results, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(results.selectedCount(), size_t{2});
    SearchBox(w).setFocus();
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(saves, 1);
    const size_t boxes = f.prompter.texts.size();
    QTest::keyClick(&w, Qt::Key_F1);
    QCOMPARE(f.prompter.texts.size(), boxes + 1);
    log.setFocus();
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(FocusName(), box);
    SearchBox(w).setEditText(QStringLiteral("new words"));
    QTest::keyClick(&w, Qt::Key_F5);
    QTRY_COMPARE(SearchBox(w).itemText(0), QStringLiteral("new words"));
    QSignalSpy exited(&w, &vexon::app::ui::CVexonDlg::exited);
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    QTRY_COMPARE(exited.count(), 1);
  }
};

QTEST_MAIN(WindowKeysTest)
#include "window_keys_test.moc"
