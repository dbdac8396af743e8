#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QApplication>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <string>

#include "app/command_ids.h"
#include "app/status_counters.h"
#include "app/ui/list_view.h"
#include "hotwords/ui/hot_words_dialog.h"
#include "search/search_controller.h"
#include "ui/window_fixture.h"

using namespace vexon::test;
namespace cmd = vexon::app::cmd;
namespace ctl = vexon::app::ctl;

namespace {

// A settings file with two unfinished downloads (stopped rows) and one history text.
std::string SettingsWithDownloads(const std::string& dir) {
  return "[System]\r\nDefaultMusicPath=" + dir + "/\r\n[SearchTextHistory]\r\nItemText0=old words\r\n[" + dir +
         "/a.mp3]\r\nURL=http://127.0.0.1:9/a.mp3\r\nSize=1000\r\n[" + dir +
         "/b.mp3]\r\nURL=http://127.0.0.1:9/b.mp3\r\nSize=2000\r\n";
}

// Result-file rows: index, name, type, size, date, title, URL.
std::string ResultRows(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    text += n + "$#!f" + n + ".mp3$#!mp3$#!" + std::to_string(1000 - i) + "$#!01/02/2006$#!t" + n +
            "$#!http://127.0.0.1:9/f" + n + ".mp3$#!\r\n";
  }
  return text;
}

QPoint RowsAreaPoint(vexon::app::ui::ListView& view) {
  return view.viewport()->mapToGlobal(view.viewport()->rect().center());
}

}  // namespace

class MainWindowTest final : public QObject {
  Q_OBJECT

 private slots:
  void LoadsStoppedDownloadsAndHistoryFromTheSettingsFile() {
    WindowFixture f;
    f.WriteFile("vudez.ini", SettingsWithDownloads(f.config.startDir.string()));
    auto& w = f.Open();
    QCOMPARE(DownloadView(w).model()->rowCount(), 2);
    QCOMPARE(SearchBox(w).count(), 1);
    QCOMPARE(SearchBox(w).currentText(), QStringLiteral("old words"));
    QCOMPARE(DownloadView(w).model()->index(0, 8).data().toString(), QString::fromUtf8("停止下载"));
    QVERIFY(!DownloadView(w).model()->index(0, 1).data(Qt::DecorationRole).value<QIcon>().isNull());
  }

  void EnablingRulesGreyCommandsInToolbarMenuBarAndContextMenu() {
    WindowFixture f;
    f.WriteFile("vudez.ini", SettingsWithDownloads(f.config.startDir.string()));
    auto& w = f.Open();
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

  void ContextMenusOpenOnlyOverTheRowsOfAVisibleList() {
    WindowFixture f;
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.ContextMenuAt(RowsAreaPoint(ResultsView(w))), &ContextMenu(w, 129));
    QHeaderView* header = ResultsView(w).horizontalHeader();
    QCOMPARE(w.ContextMenuAt(header->mapToGlobal(header->rect().center())), nullptr);
    QCOMPARE(w.ContextMenuAt(StatusLine(w).mapToGlobal(StatusLine(w).rect().center())), nullptr);
    QCOMPARE(w.ContextMenuAt(RowsAreaPoint(DownloadView(w))), &ContextMenu(w, 130));
    w.OnCommand(cmd::kShowCompletedList);
    QCOMPARE(w.ContextMenuAt(RowsAreaPoint(CompletedView(w))), &ContextMenu(w, 167));
  }

  void CountersShowPagesAndDownloadStates() {
    WindowFixture f;
    f.WriteFile("vudez.ini", SettingsWithDownloads(f.config.startDir.string()));
    f.WriteFile("searchresult/x.msf", ResultRows(41));
    f.ports.chooseOpenFile = [&](const QString&) { return QString::fromStdString(f.Path("searchresult/x.msf")); };
    auto& w = f.Open();
    w.resize(900, 900);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.OnCommand(cmd::kOpenResults);
    QCOMPARE(ResultsView(w).model()->rowCount(), 41);
    // Exactly twenty rows fit.
    auto& view = ResultsView(w);
    const int rowHeight = view.verticalHeader()->defaultSectionSize();
    view.setFixedHeight(20 * rowHeight + view.horizontalHeader()->height() + 2 * view.frameWidth());
    QTRY_COMPARE(view.RowsPerPage(), size_t{20});
    w.RefreshCounters();
    QCOMPARE(ResultsCounter(w).text(), QString::fromUtf8("搜索结果总数 [41], 页数 [3]"));
    DownloadView(w).selectRow(1);
    w.RefreshCounters();
    QCOMPARE(StatusLine(w).text(),
             QString::fromUtf8("列表文件数 [2,0], 已选择 [1,0], 正在下载 [0], 等待下载 [0], 停止下载 [2]"));
    // A list too small for one row still counts.
    view.setFixedHeight(view.horizontalHeader()->height() + 2 * view.frameWidth() + 2);
    QTRY_COMPARE(view.RowsPerPage(), size_t{0});
    w.RefreshCounters();
    QCOMPARE(ResultsCounter(w).text(), QString::fromUtf8("搜索结果总数 [41], 页数 [41]"));
  }

  void CloseHidesToTheTrayOrMinimizesWithoutOne() {
    {
      WindowFixture f("127.0.0.1:9", /*tray=*/true);
      auto& w = f.Open();
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      w.close();
      QTRY_VERIFY(!w.isVisible());
      w.ToggleShown();
      QVERIFY(w.isVisible());
      w.OnCommand(cmd::kShowHide);
      QVERIFY(!w.isVisible());
      w.OnCommand(cmd::kShowHide);
      QVERIFY(w.isVisible());
    }
    {
      WindowFixture f("127.0.0.1:9", /*tray=*/false);
      auto& w = f.Open();
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      w.close();
      QTRY_VERIFY(w.windowState() & Qt::WindowMinimized);
      QVERIFY(w.isVisible());
      w.ToggleShown();
      QVERIFY(!(w.windowState() & Qt::WindowMinimized));
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
