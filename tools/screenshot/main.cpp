// Takes the README's picture of the main window: a search of the stand-in services
// and one download under way, saved as a PNG. scripts/screenshot.sh runs it on Xvfb.
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <string>

#include "app/command_ids.h"
#include "app/ui/desktop_program.h"
#include "app/ui/find_control.h"
#include "app/ui/qt_translation.h"
#include "core/list_schemas.h"
#include "standin/standin_server.h"
#include "text/strings.h"
#include "widgets/list_view.h"

using namespace vexon;

namespace {

// Runs the event loop until `done` holds or `limitMs` passes.
template <typename Done>
bool WaitFor(Done done, int limitMs) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
  poll.start(50);
  loop.exec();
  return done();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vexon-screenshot OUTPUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  app::ui::InstallChineseQtTexts(app);
  standin::StandinOptions options;
  options.catalog.linksPerPage = 8;
  options.catalog.pagesPerService = 2;
  options.catalog.includeDeadLinks = false;
  options.catalog.includeQuirks = false;
  // A few archive items, so the music services' rows show too.
  options.archiveItems = 2;
  standin::StandinServer server(options);
  if (!server.Start()) return 1;

  QTemporaryDir dir;
  app::SessionConfig config;
  config.startDir = dir.path().toStdString();
  config.hosts = {server.HostPort(), server.HostPort(), "http://" + server.HostPort() + "/", {}};
  config.siteUrl = server.Url("/");
  app::ui::WindowPorts ports;
  ports.trayAvailable = false;
  app::ui::DesktopProgram program(config, ports);
  app::ui::CVexonDlg& window = program.window();
  auto& resultsView = *app::ui::Find<widgets::ListView>(window, app::ctl::kResultsList);
  window.resize(980, 640);
  window.show();
  app::ui::Find<QComboBox>(window, app::ctl::kSearchBox)->setEditText(QString::fromUtf8("月亮代表我的心"));
  window.OnCommand(app::cmd::kSearch);
  if (!WaitFor(
          [&] {
            return app::ui::Find<QLabel>(window, app::ctl::kCheckingCounter)->text() == QStringLiteral("Finished!");
          },
          60000)) {
    std::fprintf(stderr, "the search did not finish\n");
    return 1;
  }
  // Two downloads under way, slowed so the picture shows their progress.
  // The table's cells: the list shows sizes and URLs for people.
  const core::ListTable& rows = resultsView.table();
  for (size_t row = 0; row < 2 && row < rows.rowCount(); ++row) {
    const QString url = QString::fromStdString(rows.Cell(row, core::kResultUrl));
    standin::FileScript slow;
    slow.size = text::LeadingDigits(rows.Cell(row, core::kResultSize));
    slow.bytesPerSecond = slow.size / (row == 0 ? 8 : 30) + 1;
    server.SetFile(QUrl(url).path().toStdString(), slow);
    resultsView.selectRow(static_cast<int>(row));
    window.OnCommand(app::cmd::kStartDownload);
  }
  resultsView.selectRow(2);
  WaitFor([] { return false; }, 3000);
  window.RefreshCounters();
  const bool saved = window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
  window.OnCommand(app::cmd::kExit);
  WaitFor([&] { return !window.isVisible(); }, 2000);
  return saved ? 0 : 1;
}
