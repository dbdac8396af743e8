// The window while network work runs beside it, and the exit:
// - the largest gap between ticks of a 10 ms timer on the GUI thread while the
//   update downloads a 50 MB file from the stand-in and three downloads run;
// - the largest gap of the same timer while 10,000 results rows are queued at once
//   with the start command (three of them transferring);
// - the time from "退出" to the end of the process with three downloads running,
//   median of 10 runs, each a process of its own.
// Run it with QT_QPA_PLATFORM=offscreen when there is no display.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/ui/desktop_program.h"
#include "standin/standin_server.h"
#include "update/file_version.h"

extern char** environ;

using namespace vexon;
namespace fs = std::filesystem;

namespace {

constexpr size_t kUpdateBytes = 50u << 20;
constexpr uint64_t kDownloadBytes = 8u << 20;
constexpr uint64_t kDownloadRate = 1u << 20;  // bytes per second: each runs for seconds
constexpr int kExitRuns = 10;

class SilentPrompter final : public core::Prompter {
 public:
  core::MessageResult Show(const std::string& text, core::MessageIcon, core::MessageButtons) override {
    texts.push_back(text);
    return core::MessageResult::kOk;
  }
  std::vector<std::string> texts;
};

double MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Three slow files of the stand-in, queued as the command line would queue them.
void StartThreeDownloads(app::Session& session, const std::string& standinUrl, const fs::path& folder) {
  for (int i = 0; i < 3; ++i) {
    const std::string name = "song" + std::to_string(i) + ".mp3";
    session.downloads().AddDownload(standinUrl + "/files/" + name, (folder / name).string(), "");
  }
}

bool ThreeTransferring(const fs::path& folder) {
  for (int i = 0; i < 3; ++i) {
    std::error_code ec;
    if (fs::file_size(folder / ("song" + std::to_string(i) + ".mp3.grb"), ec) == 0 || ec) return false;
  }
  return true;
}

void ServeSlowFiles(standin::StandinServer& server) {
  for (int i = 0; i < 3; ++i) {
    standin::FileScript file;
    file.size = kDownloadBytes;
    file.bytesPerSecond = kDownloadRate;
    server.SetFile("/files/song" + std::to_string(i) + ".mp3", file);
  }
}

app::SessionConfig ConfigFor(const std::string& startDir, const standin::StandinServer& server) {
  app::SessionConfig config;
  config.startDir = startDir;
  config.hosts = {server.HostPort(), server.HostPort(), "", {}};
  config.siteUrl = server.Url("/");
  return config;
}

// One run of the exit measure, in a process of its own: prints the moment of
// "退出" and lets the process end as the program does.
int ExitChild(int argc, char* argv[], const std::string& standinUrl) {
  QApplication app(argc, argv);
  QTemporaryDir dir;
  app::SessionConfig config;
  config.startDir = dir.path().toStdString();
  config.hosts = {"127.0.0.1:9", "127.0.0.1:9", "", {}};
  config.siteUrl = standinUrl + "/";
  SilentPrompter prompter;
  app::ui::WindowPorts ports;
  ports.prompter = &prompter;
  ports.trayAvailable = false;
  const fs::path folder = fs::path(config.startDir) / "music";
  auto program = std::make_unique<app::ui::DesktopProgram>(config, ports);
  app::ui::CVexonDlg* window = &program->window();
  QObject::connect(window, &app::ui::CVexonDlg::exited, &app, &QCoreApplication::quit);
  window->show();
  fs::create_directories(folder);
  StartThreeDownloads(program->session(), standinUrl, folder);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!ThreeTransferring(folder)) return;
    poll.stop();
    std::printf("%.6f\n", MonotonicSeconds());
    std::fflush(stdout);
    window->OnCommand(app::cmd::kExit);
  });
  poll.start(10);
  const int code = app.exec();
  program.reset();
  return code;
}

double RunExitChild(const std::string& self, const std::string& standinUrl) {
  int out[2];
  if (pipe(out) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<std::string> args = {self, "--exit-child", standinUrl};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return -1;
  }
  std::string line;
  char buffer[64];
  ssize_t n = 0;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) line.append(buffer, static_cast<size_t>(n));
  int status = 0;
  waitpid(pid, &status, 0);
  const double ended = MonotonicSeconds();
  close(out[0]);
  if (line.empty()) return -1;
  return ended - std::stod(line);
}

// The largest tick gap while the update runs beside three downloads.
int MeasureUpdateGap(int argc, char* argv[]) {
  QApplication app(argc, argv);
  standin::StandinServer server;
  if (!server.Start()) return 1;
  ServeSlowFiles(server);
  QTemporaryDir dir;
  const fs::path exe = fs::path(dir.path().toStdString()) / "prog";
  std::ofstream(exe, std::ios::binary) << "#!/bin/sh\n" << update::kFileVersionMarker << "0.0.0.1" << '\0';
  standin::RawPage site;
  site.contentType = "text/plain";
  site.body = "65535.0";
  server.SetPage("/downloads/update.txt", site);
  standin::RawPage newRelease;
  newRelease.contentType = "application/octet-stream";
  newRelease.body = std::string(kUpdateBytes, 'u');
  server.SetPage("/downloads/prog", newRelease);
  ::setenv("TMPDIR", dir.path().toUtf8().constData(), 1);

  app::SessionConfig config = ConfigFor(dir.path().toStdString(), server);
  config.executable = exe;
  SilentPrompter prompter;
  app::ui::WindowPorts ports;
  ports.prompter = &prompter;
  ports.trayAvailable = false;
  const fs::path folder = fs::path(config.startDir) / "music";
  app::ui::DesktopProgram program(config, ports);
  app::ui::CVexonDlg& window = program.window();
  window.show();
  fs::create_directories(folder);
  StartThreeDownloads(program.session(), server.Url(""), folder);

  qint64 largestGapMs = 0;
  QElapsedTimer sinceTick;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (sinceTick.isValid()) largestGapMs = std::max(largestGapMs, sinceTick.elapsed());
    sinceTick.restart();
  });
  QElapsedTimer updateClock;
  double updateSeconds = 0;
  // The update dialog is modal: a timer presses its check button, and closes it
  // once the result is shown.
  QTimer driver;
  bool pressed = false;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (!pressed) {
      if (auto* button = modal->findChild<QPushButton*>(QStringLiteral("1122"))) {
        pressed = true;
        updateClock.start();
        button->click();
      }
    } else if (!prompter.texts.empty()) {
      updateSeconds = updateClock.elapsed() / 1000.0;
      driver.stop();
      ticker.stop();
      modal->close();
    }
  });
  QTimer::singleShot(0, [&] {
    while (!ThreeTransferring(folder)) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ticker.start(10);
    driver.start(5);
    window.OnCommand(app::cmd::kCheckUpdate);  // returns when the dialog closes
    // exit, not quit: quit asks the windows to close, and the main window only hides.
    QCoreApplication::exit(0);
  });
  app.exec();
  std::error_code ec;
  std::printf("window_work_bench: the update of a %zu MB file beside three downloads\n", kUpdateBytes >> 20);
  std::printf("  result: %s, new file in place: %s, update took %.2f s\n",
              prompter.texts.empty() ? "(none)" : prompter.texts.back().c_str(),
              fs::file_size(exe, ec) == kUpdateBytes ? "yes" : "no", updateSeconds);
  std::printf("  largest gap between 10 ms ticks on the GUI thread: %lld ms (goal < 30)\n",
              static_cast<long long>(largestGapMs));
  window.OnCommand(app::cmd::kExit);
  return 0;
}

// The largest tick gap while the start command queues every one of 10,000 results.
int MeasureQueueGap(int argc, char* argv[]) {
  constexpr size_t kRows = 10000;
  QApplication app(argc, argv);
  standin::StandinServer server;
  if (!server.Start()) return 1;
  standin::FileScript file;
  file.size = 20000;
  for (size_t i = 0; i < kRows; ++i) server.SetFile("/files/q" + std::to_string(i) + ".mp3", file);
  QTemporaryDir dir;
  SilentPrompter prompter;
  app::ui::WindowPorts ports;
  ports.prompter = &prompter;
  ports.trayAvailable = false;
  app::ui::DesktopProgram program(ConfigFor(dir.path().toStdString(), server), ports);
  app::Session& session = program.session();
  session.settings().TitleDown = false;
  program.window().show();
  std::vector<size_t> rows;
  for (size_t i = 0; i < kRows; ++i) {
    const std::string name = "q" + std::to_string(i) + ".mp3";
    session.resultList().Add({name, "mp3", "20000", "", "t", server.Url("/files/" + name)}, std::to_string(i));
    rows.push_back(i);
  }
  qint64 largestGapMs = 0;
  QElapsedTimer sinceTick;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (sinceTick.isValid()) largestGapMs = std::max(largestGapMs, sinceTick.elapsed());
    sinceTick.restart();
  });
  struct Done final : download::DownloadListener {
    size_t count = 0;
    void DownloadCompleted(const std::string&, const std::string&) override { ++count; }
  } done;
  const auto subscription = session.downloads().Subscribe(done);
  QElapsedTimer clock;
  double queuedSeconds = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (queuedSeconds == 0 && session.downloadList().rowCount() + done.count == kRows) {
      queuedSeconds = clock.elapsed() / 1000.0;
      QCoreApplication::exit(0);
    }
  });
  QTimer::singleShot(100, [&] {
    ticker.start(10);
    sinceTick.start();
    watch.start(5);
    clock.start();
    session.downloads().OnStartDownload(rows);
  });
  QTimer::singleShot(120000, [] { QCoreApplication::exit(1); });
  const int code = app.exec();
  std::printf("window_work_bench: the start command on %zu results rows\n", kRows);
  std::printf("  all listed after %.2f s; largest gap between 10 ms ticks on the GUI thread: %lld ms (goal < 50)\n",
              queuedSeconds, static_cast<long long>(largestGapMs));
  program.window().OnCommand(app::cmd::kExit);
  return code;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 3 && std::strcmp(argv[1], "--exit-child") == 0) return ExitChild(1, argv, argv[2]);

  for (auto* measure : {&MeasureUpdateGap, &MeasureQueueGap}) {
    const pid_t pid = fork();
    if (pid == 0) {
      const int code = measure(argc, argv);
      std::fflush(stdout);
      _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
  }

  standin::StandinServer server;
  if (!server.Start()) return 1;
  ServeSlowFiles(server);
  std::vector<double> times;
  for (int i = 0; i < kExitRuns; ++i) {
    const double seconds = RunExitChild(fs::read_symlink("/proc/self/exe").string(), server.Url(""));
    if (seconds >= 0) times.push_back(seconds);
  }
  std::sort(times.begin(), times.end());
  if (times.empty()) {
    std::printf("  exit: no run succeeded\n");
    return 1;
  }
  std::printf(
      "  exit with three downloads running (\"退出\" to process end), %zu runs: median %.0f ms, "
      "min %.0f ms, max %.0f ms (the exit command itself waits %d ms)\n",
      times.size(), times[times.size() / 2] * 1000, times.front() * 1000, times.back() * 1000, app::ui::kExitDelayMs);
  return 0;
}
