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

QStringList ActionIds(const QMenu& menu) {
  QStringList ids;
  for (QAction* a : menu.actions()) ids << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
  return ids;
}

QPoint RowsAreaPoint(vexon::app::ui::ListView& view) {
  return view.viewport()->mapToGlobal(view.viewport()->rect().center());
}

}  // namespace

class MainWindowTest final : public QObject {
  Q_OBJECT

 private slots:
  void StartsWithControlsTextsAndTheDownloadListOnView() {
    WindowFixture f;
    auto& w = f.Open();
    QCOMPARE(w.windowTitle(), QString::fromUtf8("维松Mp3"));
    QCOMPARE(ResultsCounter(w).text(), QString::fromUtf8("搜索结果总数[0]   "));
    QCOMPARE(CheckingCounter(w).text(), QString::fromUtf8("正在检测数:"));
    QVERIFY(TypeBox(w, ctl::kTypeMp3).isChecked());
    QVERIFY(TypeBox(w, ctl::kTypeFlash).isChecked());
    QVERIFY(!TypeBox(w, ctl::kTypeWmv).isChecked());
    QVERIFY(!TypeBox(w, ctl::kTypeMpg).isChecked());
    QVERIFY(w.downloadListOnView());
    QVERIFY(ListButton(w, ctl::kDownloadListButton).isChecked());
    QVERIFY(!ListButton(w, ctl::kCompletedListButton).isChecked());
    QCOMPARE(BarPopup(w, 0).title(), QString::fromUtf8("设置选项(&O)"));
    QCOMPARE(BarPopup(w, 1).title(), QString::fromUtf8("搜索(&S)"));
    QCOMPARE(BarPopup(w, 2).title(), QString::fromUtf8("下载(&D)"));
    QCOMPARE(BarPopup(w, 3).title(), QString::fromUtf8("帮助(&H)"));
    QCOMPARE(ActionIds(BarPopup(w, 1)), ActionIds(ContextMenu(w, 129)));
    QCOMPARE(ActionIds(BarPopup(w, 2)), ActionIds(ContextMenu(w, 130)));
    QCOMPARE(ResultsView(w).model()->columnCount(), 7);
    QCOMPARE(DownloadView(w).model()->columnCount(), 11);
    QCOMPARE(CompletedView(w).model()->columnCount(), 5);
    QCOMPARE(ResultsView(w).columnWidth(5), 200);
    QCOMPARE(CommandAction(w, cmd::kSaveResults).text(), QString::fromUtf8("保存搜索结果 (&R)..."));
    // The tray menu names commands its own way but runs the same ones.
    const QStringList tray = ActionIds(ContextMenu(w, 133));
    QCOMPARE(tray.front(), QString::number(cmd::kShowHide));
    QCOMPARE(ContextMenu(w, 133).actions().front()->text(), QString::fromUtf8("打开/隐藏"));
    QCOMPARE(tray.back(), QString::number(cmd::kExit));
  }

  void TypeBoxesSwitchTheirFlags() {
    WindowFixture f;
    auto& w = f.Open();
    w.show();
    QTest::mouseClick(&TypeBox(w, ctl::kTypeWmv), Qt::LeftButton);
    QVERIFY(f.session->options().Has(vexon::search::FileType::kWmv));
    QTest::mouseClick(&TypeBox(w, ctl::kTypeMp3), Qt::LeftButton);
    QVERIFY(!f.session->options().Has(vexon::search::FileType::kMp3));
  }

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

  void SwitchingTheLowerListMirrorsItsMenu() {
    WindowFixture f;
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(&ListButton(w, ctl::kCompletedListButton), Qt::LeftButton);
    QVERIFY(!w.downloadListOnView());
    QCOMPARE(BarPopup(w, 2).title(), QString::fromUtf8("已下载(&D)"));
    QCOMPARE(ActionIds(BarPopup(w, 2)), ActionIds(ContextMenu(w, 167)));
    QVERIFY(Toolbar(w, ctl::kCompletedToolbar).isVisible());
    QVERIFY(!Toolbar(w, ctl::kDownloadToolbar).isVisible());
    QVERIFY(CompletedView(w).isVisible());
    QVERIFY(!DownloadView(w).isVisible());
    QVERIFY(ListButton(w, ctl::kCompletedListButton).isChecked());
    QVERIFY(!ListButton(w, ctl::kDownloadListButton).isChecked());
    // Pressing the button of the list on view only keeps it pressed.
    QTest::mouseClick(&ListButton(w, ctl::kCompletedListButton), Qt::LeftButton);
    QVERIFY(ListButton(w, ctl::kCompletedListButton).isChecked());
    QVERIFY(!w.downloadListOnView());
    w.OnCommand(cmd::kShowDownloadList);
    QVERIFY(w.downloadListOnView());
    QCOMPARE(BarPopup(w, 2).title(), QString::fromUtf8("下载(&D)"));
    QCOMPARE(ActionIds(BarPopup(w, 2)), ActionIds(ContextMenu(w, 130)));
    QVERIFY(ListButton(w, ctl::kDownloadListButton).isChecked());
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

  void EnterSearchesFromAnyControlAndEscapeDoesNothing() {
    WindowFixture f;
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    SearchBox(w).setEditText(QStringLiteral("  first words "));
    QTest::keyClick(SearchBox(w).lineEdit(), Qt::Key_Return);
    QCOMPARE(SearchBox(w).count(), 1);
    QCOMPARE(SearchBox(w).itemText(0), QStringLiteral("first words"));
    QCOMPARE(f.session->search().currentKeyword(), std::string("first words"));
    SearchBox(w).setEditText(QStringLiteral("second"));
    ResultsView(w).setFocus();
    QTest::keyClick(&ResultsView(w), Qt::Key_Enter);
    QCOMPARE(SearchBox(w).count(), 2);
    QCOMPARE(SearchBox(w).itemText(0), QStringLiteral("second"));
    QTest::keyClick(&ResultsView(w), Qt::Key_Escape);
    QTest::keyClick(SearchBox(w).lineEdit(), Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QCOMPARE(SearchBox(w).count(), 2);
    QCOMPARE(w.result(), 0);
    w.OnCommand(cmd::kStopSearch);
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

  void SplitterLimitsFollowHalfTheGrowth() {
    WindowFixture f;
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const int startHeight = w.height();
    const int lower = w.splitterLimits().lower();
    const int upper = w.splitterLimits().upper();
    QVERIFY(upper > lower);
    w.resize(w.width(), startHeight + 100);
    QTRY_COMPARE(w.height(), startHeight + 100);
    QCOMPARE(w.splitterLimits().lower(), lower + 50);
    QCOMPARE(w.splitterLimits().upper(), upper + 50);
    QCOMPARE(w.minimumHeight(), startHeight);
  }

  void SavesResultsInIndexOrderAndKeepsTheSort() {
    WindowFixture f;
    f.WriteFile("searchresult/old.msf", ResultRows(3));
    f.ports.chooseOpenFile = [&](const QString&) { return QString::fromStdString(f.Path("searchresult/old.msf")); };
    QString proposed;
    f.ports.chooseSaveFile = [&](const QString& name) {
      proposed = name;
      return QString::fromStdString(f.Path("saved.msf"));
    };
    auto& w = f.Open();
    w.OnCommand(cmd::kOpenResults);
    QCOMPARE(SearchBox(w).currentText(), QStringLiteral("old"));
    QCOMPARE(ResultsView(w).model()->rowCount(), 3);
    // Sorted by size, the rows stand in reverse index order.
    ResultsView(w).horizontalHeader()->sectionClicked(3);
    QCOMPARE(ResultsView(w).model()->index(0, 0).data().toString(), QStringLiteral("2"));
    w.OnCommand(cmd::kSaveResults);
    QCOMPARE(proposed, QString::fromStdString(f.Path("searchresult/old.msf").string()));
    std::ifstream saved(f.Path("saved.msf"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(saved)), {});
    QCOMPARE(QString::fromStdString(bytes), QString::fromStdString(ResultRows(3)));
    QCOMPARE(ResultsView(w).model()->index(0, 0).data().toString(), QStringLiteral("2"));
    QCOMPARE(ResultsView(w).horizontalHeader()->sortIndicatorSection(), 3);
  }

  void ResultLinkCommandsUseTheFirstSelectedRow() {
    WindowFixture f;
    f.WriteFile("searchresult/x.msf", ResultRows(3));
    f.ports.chooseOpenFile = [&](const QString&) { return QString::fromStdString(f.Path("searchresult/x.msf")); };
    auto& w = f.Open();
    w.OnCommand(cmd::kOpenResults);
    w.OnCommand(cmd::kVisitSite);  // nothing selected: nothing opened
    QVERIFY(f.shell.web.empty());
    ResultsView(w).selectRow(2);
    ResultsView(w).selectionModel()->select(ResultsView(w).model()->index(1, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.OnCommand(cmd::kVisitSite);
    QCOMPARE(f.shell.web, std::vector<std::string>{"http://127.0.0.1:9"});
    w.OnCommand(cmd::kCopyUrl);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1:9/f1.mp3"));
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

  void UpdateCommandOpensTheUpdateDialog() {
    WindowFixture f;
    auto& w = f.Open();
    w.show();
    QString title;
    QTimer::singleShot(0, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        title = modal->windowTitle();
        modal->close();
      }
    });
    w.OnCommand(cmd::kCheckUpdate);
    QCOMPARE(title, QString::fromUtf8("维松MP3升级"));
    QVERIFY(f.prompter.texts.empty());
  }

  void HelpCommandsAnswer() {
    WindowFixture f;
    auto& w = f.Open();
    w.OnCommand(cmd::kVisitHomePage);
    QCOMPARE(f.openedUrls.size(), size_t{1});
    QCOMPARE(f.openedUrls.front().toString(), QStringLiteral("http://127.0.0.1:9/vexonindex.htm"));
    w.OnCommand(cmd::kUsageHelp);
    QCOMPARE(f.prompter.texts.size(), size_t{1});
    QVERIFY(!f.prompter.texts.front().empty());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
