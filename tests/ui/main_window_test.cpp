#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QtTest>

#include <fstream>
#include <string>

#include "app/command_ids.h"
#include "core/list_schemas.h"
#include "hotwords/ui/hot_words_dialog.h"
#include "search/search_controller.h"
#include "storage/settings_store.h"
#include "ui/window_fixture.h"
#include "widgets/list_view.h"

using namespace vexon::test;
namespace cmd = vexon::app::cmd;
namespace ctl = vexon::app::ctl;

namespace {

// A settings file with two unfinished downloads (stopped rows), one history text and
// every other section the program writes for itself, none of which is a download.
std::string SettingsWithDownloads(const std::string& dir) {
  std::string own;
  for (std::string_view section : vexon::storage::kOwnSections) {
    if (section != vexon::storage::kSystemSection && section != vexon::storage::kSearchHistorySection) {
      own += "[" + std::string(section) + "]\r\nResults=90,90\r\n";
    }
  }
  return "[System]\r\nDefaultMusicPath=" + dir + "/\r\n[SearchTextHistory]\r\nItemText0=old words\r\n" + own + "[" +
         dir + "/a.mp3]\r\nURL=http://127.0.0.1:9/a.mp3\r\nSize=1000\r\n[" + dir +
         "/b.mp3]\r\nURL=http://127.0.0.1:9/b.mp3\r\nSize=2000\r\n";
}

}  // namespace

class MainWindowTest final : public QObject {
  Q_OBJECT

 private slots:
  // Names and titles take the free width; the user's own widths are what is kept.
  void ColumnsAreReadableAndTheUsersWidthsAreKept() {
    WindowFixture f;
    {
      auto& w = f.Open();
      QTableView& results = ResultsView(w);
      const int sizeText = results.fontMetrics().horizontalAdvance(QStringLiteral("1023.9 MB"));
      QVERIFY(results.columnWidth(vexon::core::kResultSize) > sizeText);
      std::vector<int> before;
      for (int i = 0; i < results.model()->columnCount(); ++i) before.push_back(results.columnWidth(i));
      w.resize(1600, 700);
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      QTRY_VERIFY(results.columnWidth(vexon::core::kResultName) > before[vexon::core::kResultName]);
      QVERIFY(results.columnWidth(vexon::core::kResultTitle) > before[vexon::core::kResultTitle]);
      QCOMPARE(results.columnWidth(vexon::core::kResultUrl), before[vexon::core::kResultUrl]);
      QCOMPARE(results.horizontalHeader()->length(), results.viewport()->width());
      results.setColumnWidth(vexon::core::kResultTitle, 333);
    }
    f.Close();
    QCOMPARE(ResultsView(f.Open()).columnWidth(vexon::core::kResultTitle), 333);
    // A width the file cannot mean gives the defaults back.
    f.Close();
    std::string settings;
    std::getline(std::ifstream(f.Path("vudez.ini")), settings, '\0');
    QVERIFY(settings.find("[Columns]") != std::string::npos);
    f.WriteFile("vudez.ini", "[Columns]\r\nResults=25,x,40\r\n");
    QVERIFY(ResultsView(f.Open()).columnWidth(vexon::core::kResultTitle) != 333);
  }

  // The log's filter, its Ctrl+Enter and its tag columns, whose widths take their
  // defaults beside widths saved before them.
  void TheLogFiltersAndShowsItsFilesInTheirFolders() {
    WindowFixture f;
    const std::string dir = f.config.startDir.string();
    f.WriteFile("dl/Beatles - Help.mp3", "a");
    f.WriteFile("dl/other.mp3", "b");
    f.WriteFile("vudez.ini", "[System]\r\nDefaultMusicPath=" + dir + "/dl/\r\n[Mp3_completed]\r\nItem0=" + dir +
                                 "/dl/Beatles - Help.mp3\r\nItem1=" + dir +
                                 "/dl/other.mp3\r\n[Columns]\r\nCompleted=25,111,50,70,200\r\n");
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.OnCommand(cmd::kShowCompletedList);
    auto& log = CompletedView(w);
    QCOMPARE(log.columnWidth(vexon::core::kLogName), 111);
    QVERIFY(log.columnWidth(vexon::core::kLogArtist) > 0);
    auto* filter = w.findChild<QLineEdit*>(QStringLiteral("logFilter"));
    QVERIFY(filter != nullptr && filter->isVisible());
    QTest::keyClicks(filter, QStringLiteral("BEATLES"));
    QCOMPARE(log.model()->rowCount(), 1);
    log.setFocus();
    log.selectRow(0);
    QTest::keyClick(&log, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(f.shell.shown, (std::vector<std::string>{dir + "/dl/Beatles - Help.mp3"}));
    filter->clear();
    QCOMPARE(log.model()->rowCount(), 2);
  }

  // Stopped rows and the history come from the settings file; the enabling rules then
  // grey commands in toolbar, menu bar and context menu alike.
  void LoadsTheSettingsFileAndGreysCommandsByTheRules() {
    WindowFixture f;
    f.WriteFile("vudez.ini", SettingsWithDownloads(f.config.startDir.string()));
    auto& w = f.Open();
    QCOMPARE(DownloadView(w).model()->rowCount(), 2);
    QCOMPARE(SearchBox(w).count(), 1);
    QCOMPARE(SearchBox(w).currentText(), QStringLiteral("old words"));
    QCOMPARE(DownloadView(w).model()->index(0, vexon::core::kDownloadState).data().toString(),
             QString::fromUtf8("停止下载"));
    QVERIFY(
        !DownloadView(w).model()->index(0, vexon::core::kDownloadId).data(Qt::DecorationRole).value<QIcon>().isNull());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.UpdateCommands();
    QVERIFY(!CommandAction(w, cmd::kStartDownload).isEnabled());
    QVERIFY(!CommandAction(w, cmd::kSaveResults).isEnabled());
    QVERIFY(!CommandAction(w, cmd::kStopSearch).isEnabled());
    QVERIFY(!CommandAction(w, cmd::kResumeDownload).isEnabled());
    QVERIFY(CommandAction(w, cmd::kResumeAll).isEnabled());
    DownloadView(w).selectRow(0);
    w.UpdateCommands();
    QVERIFY(CommandAction(w, cmd::kResumeDownload).isEnabled());
    QVERIFY(!CommandAction(w, cmd::kStopDownload).isEnabled());
    // One action serves all three places.
    QAction* resume = &CommandAction(w, cmd::kResumeDownload);
    QVERIFY(Toolbar(w, ctl::kDownloadToolbar).actions().contains(resume));
    QVERIFY(ContextMenu(w, 130).actions().contains(resume));
    QVERIFY(BarPopup(w, 2).actions().contains(resume));
    // The rules also run by themselves once the event queue is idle.
    DownloadView(w).clearSelection();
    QTRY_VERIFY(!CommandAction(w, cmd::kResumeDownload).isEnabled());
  }

  void CloseHidesToTheTrayOrMinimizesWithoutOne() {
    for (const bool tray : {true, false}) {
      WindowFixture f("127.0.0.1:9", tray);
      auto& w = f.Open();
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      w.close();
      QTRY_VERIFY(tray ? !w.isVisible() : (w.windowState() & Qt::WindowMinimized) && w.isVisible());
      w.ToggleShown();
      QVERIFY(w.isVisible() && !(w.windowState() & Qt::WindowMinimized));
      w.OnCommand(cmd::kShowHide);
      QCOMPARE(w.isVisible(), !tray);
      if (tray) {
        w.OnCommand(cmd::kShowHide);
        QVERIFY(w.isVisible());
      }
    }
  }

  void HotWordsWindowIsSingleAndItsWordSearches() {
    WindowFixture f;
    f.WriteFile("poplist", "A--Top songs\r\nA|||hello words|||related\r\nA|||solo\r\n");
    auto& w = f.Open();
    w.show();
    QCOMPARE(HotWordsWindow(w), nullptr);
    w.OnCommand(cmd::kHotWords);
    auto* words = HotWordsWindow(w);
    QVERIFY(words != nullptr);
    QVERIFY(words->isVisible());
    QCOMPARE(words->windowTitle(), QString::fromUtf8("维松MP3-热门的搜索词"));
    words->hide();
    w.OnCommand(cmd::kHotWords);
    QCOMPARE(HotWordsWindow(w), words);
    QVERIFY(words->isVisible());
    words->ActivateCell(1, 2);  // "-": nothing
    QCOMPARE(SearchBox(w).count(), 0);
    words->ActivateCell(0, 1);
    QCOMPARE(SearchBox(w).count(), 1);
    QCOMPARE(SearchBox(w).itemText(0), QStringLiteral("hello words"));
    QCOMPARE(f.session->search().currentKeyword(), std::string("hello words"));
    w.OnCommand(cmd::kStopSearch);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
