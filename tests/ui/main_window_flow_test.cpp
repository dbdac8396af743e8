#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/command_ids.h"
#include "app/ui/single_instance.h"
#include "core/list_schemas.h"
#include "search/search_controller.h"
#include "standin/standin_server.h"
#include "text/shown_values.h"
#include "ui/window_fixture.h"
#include "widgets/list_view.h"

using namespace vexon::test;
namespace cmd = vexon::app::cmd;
namespace fs = std::filesystem;

namespace {

constexpr int kSearchWaitMs = 60000;

vexon::standin::StandinOptions SmallCatalog() {
  vexon::standin::StandinOptions options;
  options.catalog.linksPerPage = 4;
  options.catalog.pagesPerService = 1;
  options.catalog.includeDeadLinks = false;
  options.catalog.includeQuirks = false;
  return options;
}

void DoubleClickRow(vexon::widgets::ListView& view, int row) {
  const QRect cell = view.visualRect(view.model()->index(row, 1));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cell.center());
}

// The completed files of a folder: everything but partial files.
std::vector<fs::path> FinishedFiles(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() != ".grb") files.push_back(entry.path());
  }
  return files;
}

}  // namespace

class MainWindowFlowTest final : public QObject {
  Q_OBJECT

 private slots:
  // A search typed into the window, a result double-clicked, the file played from the log.
  void SearchDownloadAndPlay() {
    vexon::standin::StandinServer server(SmallCatalog());
    QVERIFY(server.Start());
    WindowFixture f(server.HostPort());
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    SearchBox(w).setEditText(QString::fromUtf8("月亮 代表"));
    QTest::keyClick(SearchBox(w).lineEdit(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(CheckingCounter(w).text(), QStringLiteral("Finished!"), kSearchWaitMs);
    const int rows = ResultsView(w).model()->rowCount();
    QVERIFY(rows > 0);
    for (int r = 0; r < rows; ++r) {
      const QString url = ResultsView(w).model()->index(r, 6).data().toString();
      QVERIFY2(url.startsWith(QString::fromStdString(server.Url("/"))), qPrintable(url));
    }
    QCOMPARE(SearchBox(w).itemText(0), QString::fromUtf8("月亮 代表"));
    w.RefreshCounters();
    QVERIFY(ResultsCounter(w).text().startsWith(QString::fromUtf8("搜索结果总数 [%1]").arg(rows)));
    const std::string size = ResultsView(w).model()->index(0, 3).data().toString().toStdString();
    DoubleClickRow(ResultsView(w), 0);
    QTRY_COMPARE_WITH_TIMEOUT(DownloadView(w).model()->rowCount(), 1, 5000);
    // Out of sight, the window leaves the news to the desktop.
    w.showMinimized();
    // The row goes when the file is complete and named.
    QTRY_COMPARE_WITH_TIMEOUT(DownloadView(w).model()->rowCount(), 0, 30000);
    const std::vector<fs::path> files = FinishedFiles(f.Path("Downloads"));
    QCOMPARE(files.size(), size_t{1});
    QCOMPARE(f.notices.size(), size_t{1});
    QCOMPARE(f.notices[0].summary, QString::fromUtf8("下载完成: ").toStdString() + files.front().filename().string());
    QVERIFY(!f.presence.held);
    w.showNormal();
    QCOMPARE(vexon::text::SizeForPeople(std::to_string(fs::file_size(files.front()))), size);
    // The finished file is in the log, which plays it and survives a restart.
    auto* log = CompletedView(w).model();
    QCOMPARE(log->rowCount(), 1);
    QCOMPARE(log->index(0, 1).data().toString().toStdString(), files.front().filename().string());
    QCOMPARE(log->index(0, 3).data().toString().toStdString(), size);
    w.OnCommand(cmd::kShowCompletedList);
    DoubleClickRow(CompletedView(w), 0);
    QCOMPARE(f.shell.files, std::vector<std::string>{files.front().string()});
    f.window.reset();
    auto& again = f.Open();
    QCOMPARE(CompletedView(again).model()->rowCount(), 1);
    QCOMPARE(CompletedView(again).model()->index(0, 4).data().toString().toStdString(),
             files.front().parent_path().string() + "/");
  }

  void ExitDuringADownloadKeepsItsPartialFileForTheNextStart() {
    vexon::standin::StandinServer server(SmallCatalog());
    QVERIFY(server.Start());
    vexon::standin::FileScript slow;
    slow.size = 300000;
    slow.bytesPerSecond = 40000;
    server.SetFile("/slow.mp3", slow);
    WindowFixture f(server.HostPort());
    f.WriteFile("searchresult/slow.msf",
                "0$#!slow.mp3$#!mp3$#!300000$#!01/02/2006$#!slow$#!" + server.Url("/slow.mp3") + "$#!\r\n");
    f.ports.chooseOpenFile = [&](const QString&) { return QString::fromStdString(f.Path("searchresult/slow.msf")); };
    const fs::path partial = f.Path("Downloads/slow.mp3.grb");
    {
      auto& w = f.Open();
      w.show();
      w.OnCommand(cmd::kOpenResults);
      QCOMPARE(ResultsView(w).model()->rowCount(), 1);
      ResultsView(w).selectRow(0);
      w.OnCommand(cmd::kStartDownload);
      QTRY_VERIFY_WITH_TIMEOUT(fs::exists(partial) && fs::file_size(partial) > 0, 10000);
      QSignalSpy exited(&w, &vexon::app::ui::CVexonDlg::exited);
      w.OnCommand(cmd::kExit);
      QCOMPARE(DownloadView(w).model()->index(0, vexon::core::kDownloadState).data().toString(),
               QString::fromUtf8("停止下载"));
      QVERIFY(exited.wait(5000));
      f.window.reset();
    }
    QVERIFY(fs::exists(partial));
    const auto kept = fs::file_size(partial);
    QVERIFY(kept > 0 && kept < 300000);
    slow.bytesPerSecond = 0;
    server.SetFile("/slow.mp3", slow);
    server.ResetCounters();
    auto& again = f.Open();
    QCOMPARE(DownloadView(again).model()->rowCount(), 1);
    QCOMPARE(DownloadView(again).model()->index(0, 1).data().toString(), QStringLiteral("-"));
    DownloadView(again).selectRow(0);
    again.OnCommand(cmd::kResumeDownload);
    QTRY_COMPARE_WITH_TIMEOUT(DownloadView(again).model()->rowCount(), 0, 30000);
    QVERIFY(!fs::exists(partial));
    QCOMPARE(fs::file_size(f.Path("Downloads/slow.mp3")), std::uintmax_t{300000});
    const auto requests = server.Requests();
    QVERIFY(std::any_of(requests.begin(), requests.end(), [&](const auto& r) {
      return r.path == "/slow.mp3" && r.range == "bytes=" + std::to_string(kept) + "-";
    }));
  }

  void ASecondStartRaisesTheFirstWindow() {
    WindowFixture f;
    auto& w = f.Open();
    const QString key = vexon::app::ui::SingleInstance::KeyFor(QStringLiteral("tester"), f.dir.path());
    vexon::app::ui::SingleInstance first(key);
    QVERIFY(first.Listen());
    QObject::connect(&first, &vexon::app::ui::SingleInstance::ActivationRequested, &w,
                     &vexon::app::ui::CVexonDlg::Activate);
    QVERIFY(!w.isVisible());
    vexon::app::ui::SingleInstance second(key);
    QVERIFY(second.NotifyRunning());
    QTRY_VERIFY(w.isVisible());
    // Another directory is another program.
    vexon::app::ui::SingleInstance elsewhere(
        vexon::app::ui::SingleInstance::KeyFor(QStringLiteral("tester"), QStringLiteral("/elsewhere")));
    QVERIFY(!elsewhere.NotifyRunning());
  }
};

QTEST_MAIN(MainWindowFlowTest)
#include "main_window_flow_test.moc"
