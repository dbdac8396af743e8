// The window during a search that lists 10,000 results as fast as the stand-in
// answers: the largest gap between ticks of a 10 ms timer on the GUI thread, the
// time to list every row and the peak RSS; and the start-up to the window shown.
// The stand-ins run as processes of their own, so the figures are the window's.
// Run it with QT_QPA_PLATFORM=offscreen when there is no display.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/command_ids.h"
#include "app/ui/desktop_program.h"
#include "app/ui/find_control.h"
#include "bench_process.h"
#include "search/search_options.h"
#include "widgets/list_view.h"

using namespace vexon;

namespace {

constexpr int kLinksPerPage = 100;
constexpr int kPages = 100;
// The result parser pauses 10 ms after every anchor: the floor of the page chain.
constexpr double kAnchorPauseSeconds = 0.010;
constexpr int kTargetRows = 10000;

// Seconds since this process started, from its start time in /proc.
double SecondsSinceProcessStart() {
  std::ifstream statFile("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(statFile)), {});
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  const double startTicks = std::stod(field);
  std::ifstream uptimeFile("/proc/uptime");
  double uptime = 0;
  uptimeFile >> uptime;
  return uptime - startTicks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A stand-in process serving `pages` pages of `links` live links each; its
// host:port, empty when it did not start.
std::string StartStandin(const std::string& name, int links, int pages, pid_t& pid) {
  return bench::StartStandin(
      {"--links-per-page", std::to_string(links), "--pages", std::to_string(pages), "--no-dead-links", "--no-quirks"},
      "/tmp/vexon_gui_bench_" + name + ".port", pid);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // Yahoo pages carry their file links directly: the fastest way to many rows.
  pid_t yahooPid = -1, baiduPid = -1;
  const std::string yahoo = StartStandin("yahoo", kLinksPerPage, kPages, yahooPid);
  const std::string baidu = StartStandin("baidu", 1, 1, baiduPid);
  const auto stopStandins = [&] {
    for (pid_t pid : {yahooPid, baiduPid}) {
      if (pid > 0) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
    }
  };
  if (yahoo.empty() || baidu.empty()) {
    std::fprintf(stderr, "cannot start the stand-in\n");
    stopStandins();
    return 1;
  }

  QTemporaryDir dir;
  app::SessionConfig config;
  config.startDir = dir.path().toStdString();
  config.hosts = {baidu, yahoo, "", {}};
  config.siteUrl = "http://127.0.0.1:9/";
  app::ui::WindowPorts ports;
  ports.trayAvailable = false;
  app::ui::DesktopProgram program(config, ports);
  app::ui::CVexonDlg& window = program.window();
  auto& resultsView = *app::ui::Find<widgets::ListView>(window, app::ctl::kResultsList);
  auto& checkingCounter = *app::ui::Find<QLabel>(window, app::ctl::kCheckingCounter);
  window.show();
  while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  const double startSeconds = SecondsSinceProcessStart();

  search::SearchOptions& options = program.session().options();
  options.types.fill(true);

  qint64 largestGapMs = 0;
  std::vector<std::pair<qint64, qint64>> longGaps;  // (when, how long), over 15 ms
  QElapsedTimer sinceTick;
  QElapsedTimer searchClock;
  QTimer ticker;
  ticker.setInterval(10);
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (sinceTick.isValid()) {
      const qint64 gap = sinceTick.elapsed();
      largestGapMs = std::max(largestGapMs, gap);
      if (gap > 15 && longGaps.size() < 20) longGaps.emplace_back(searchClock.elapsed(), gap);
    }
    sinceTick.restart();
  });

  app::ui::Find<QComboBox>(window, app::ctl::kSearchBox)->setEditText(QStringLiteral("bench words"));
  searchClock.start();
  ticker.start();
  window.OnCommand(app::cmd::kSearch);
  int rows = 0;
  double listedSeconds = 0;
  // The window's own event loop runs the search; a 50 ms watch notes its progress.
  QEventLoop loop;
  QTimer watch;
  watch.setInterval(50);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    rows = resultsView.model()->rowCount();
    if (listedSeconds == 0 && rows >= kTargetRows) listedSeconds = searchClock.elapsed() / 1000.0;
    if (checkingCounter.text() == QStringLiteral("Finished!") || searchClock.elapsed() > 600000) {
      loop.quit();
    }
  });
  watch.start();
  loop.exec();
  ticker.stop();
  rows = resultsView.model()->rowCount();
  const double finishedSeconds = searchClock.elapsed() / 1000.0;
  std::printf("gui_bench: %d rows listed (goal: %d)\n", rows, kTargetRows);
  const double floorSeconds = kLinksPerPage * kPages * kAnchorPauseSeconds;
  std::printf("  time to list %d rows: %.2f s (%.2f x the %.0f s of anchor pauses); search finished after %.2f s\n",
              kTargetRows, listedSeconds, listedSeconds / floorSeconds, floorSeconds, finishedSeconds);
  std::printf("  largest gap between 10 ms ticks on the GUI thread: %lld ms (goal < 20)\n",
              static_cast<long long>(largestGapMs));
  for (const auto& [when, gap] : longGaps) {
    std::printf("    a gap of %lld ms at %.2f s\n", static_cast<long long>(gap), when / 1000.0);
  }
  std::printf("  peak RSS: %.1f MB (goal < 80)\n", PeakRssKb() / 1024.0);
  std::printf("  process start to window shown: %.0f ms\n", startSeconds * 1000.0);
  window.OnCommand(app::cmd::kExit);
  stopStandins();
  return 0;
}
