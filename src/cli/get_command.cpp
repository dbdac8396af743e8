#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/session.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/headless_ports.h"
#include "core/column_spec.h"
#include "core/list_schemas.h"
#include "core/list_table.h"
#include "core/message_loop.h"
#include "core/prompter.h"
#include "download/download_controller.h"
#include "download/download_item.h"
#include "download/file_names.h"
#include "search/search_controller.h"
#include "storage/profile.h"
#include "storage/settings_store.h"
#include "text/strings.h"

namespace vexon::cli {
namespace {

namespace fs = std::filesystem;
constexpr unsigned kMaxJobs = 64;
constexpr unsigned kMaxSpeed = 1000000;

struct GetArgs {
  std::vector<std::string> urls;
  std::string to;
  std::string dir;
  std::optional<unsigned> speed;
  unsigned jobs = 0;
};

// Progress lines on stderr as rows change: status texts and whole percents.
class ProgressPrinter final : public core::ListObserver {
 public:
  explicit ProgressPrinter(const core::ListTable& table) : table_(table) {}
  void RowsInserted(size_t, size_t) override {}
  void RowsRemoved(size_t, size_t) override {}
  void RowsReordered(const std::vector<size_t>&) override {}
  void CellsChanged(size_t row, size_t first, size_t last) override {
    if (first != last) return;
    const std::string& name = table_.Cell(row, core::kDownloadFileName);
    if (first == core::kDownloadState) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), table_.Cell(row, first).c_str());
    } else if (first == core::kDownloadReceived) {
      // The bytes follow the percent they belong to.
      std::fprintf(stderr, "%s: %s %s bytes %s %s\n", name.c_str(), table_.Cell(row, core::kDownloadPercent).c_str(),
                   table_.Cell(row, first).c_str(), table_.Cell(row, core::kDownloadSpeed).c_str(),
                   table_.Cell(row, core::kDownloadTimeLeft).c_str());
    }
  }

 private:
  const core::ListTable& table_;
};

bool ParseGetArgs(const std::vector<std::string>& args, GetArgs& out, std::string& error) {
  bool urlsOnly = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (urlsOnly || a.empty() || a[0] != '-') {
      out.urls.push_back(a);
      continue;
    }
    if (a == "--") {
      urlsOnly = true;
      continue;
    }
    if (i + 1 >= args.size()) return (error = "option " + a + " needs a value"), false;
    const std::string& value = args[++i];
    uint32_t n = 0;
    if (a == "--to") {
      out.to = value;
    } else if (a == "--dir") {
      out.dir = value;
    } else if (a == "--speed") {
      if (!ParseUnsigned(value, n) || n > kMaxSpeed) return (error = "bad --speed: " + value), false;
      out.speed = n;
    } else if (a == "--jobs") {
      if (!ParseUnsigned(value, n) || n == 0 || n > kMaxJobs) return (error = "bad --jobs: " + value), false;
      out.jobs = n;
    } else {
      return (error = "unknown option: " + a), false;
    }
  }
  if (out.urls.empty()) return (error = "no URL given"), false;
  if (!out.to.empty() && !out.dir.empty()) return (error = "--to and --dir exclude each other"), false;
  if (!out.to.empty() && out.urls.size() > 1) return (error = "--to takes one URL"), false;
  if (!out.to.empty() && (out.to.back() == '/' || fs::is_directory(out.to))) {
    return (error = "--to names a folder: " + out.to), false;
  }
  return true;
}

// The full local name of a URL's download.
std::string TargetFor(const GetArgs& args, const std::string& url, const std::string& folder) {
  if (!args.to.empty()) return fs::absolute(args.to).lexically_normal().string();
  const std::string shown = net::ShownUrl(url);
  const auto [stem, extension] = download::SplitExtension(net::UrlFileName(shown));
  return download::JoinFolder(folder, download::SafeFileName(stem, extension));
}

}  // namespace

int RunGetCommand(const std::vector<std::string>& args) {
  GetArgs parsed;
  std::string error;
  if (!ParseGetArgs(args, parsed, error)) {
    std::fprintf(stderr, "vexon-cli get: %s\n", error.c_str());
    return 2;
  }
  // Before any thread starts, so every thread inherits the blocked signals.
  SignalWatcher signals;
  HeadlessPorts ports("vexon-cli get");
  core::MessageLoop loop;
  app::SessionConfig config;
  config.startDir = fs::current_path();
  if (parsed.jobs) config.maxDownloads = parsed.jobs;
  app::Session session(std::move(config), loop, ports.ForSession(), download::DownloadTexts::ForEnvironment());
  // The options only: a stored download given again resumes rather than being a duplicate.
  session.LoadOptions();
  storage::AppSettings& settings = session.settings();
  if (parsed.speed) settings.MaxDownloadSpeed = *parsed.speed;
  std::string folder = settings.DefaultMusicPath;
  if (!parsed.dir.empty()) {
    std::error_code ec;
    fs::create_directories(parsed.dir, ec);
    if (!fs::is_directory(parsed.dir)) {
      std::fprintf(stderr, "vexon-cli get: cannot use folder %s\n", parsed.dir.c_str());
      loop.Shutdown();
      return 1;
    }
    folder = fs::absolute(parsed.dir).lexically_normal().string();
  }

  ProgressPrinter printer(session.downloadList());
  session.downloadList().SetObserver(&printer);
  int status = 0;
  size_t completedCount = 0;
  size_t queuedCount = 0;
  download::DownloadController& controller = session.downloads();
  controller.addLogItem = [&](const std::string& path, const std::string&) {
    ++completedCount;
    std::fprintf(stderr, "%s: complete\n", path.c_str());
  };
  controller.reportFailure = [&](const std::string& fullName, const std::string& text) {
    std::fprintf(stderr, "vexon-cli get: %s: %s\n", fullName.c_str(), text.c_str());
  };
  controller.workerEnded = [&] { signals.Wake(); };
  loop.Invoke([&] {
    for (const std::string& url : parsed.urls) {
      queuedCount += controller.AddDownload(url, TargetFor(parsed, url, folder), "") ? 1 : 0;
    }
  });
  bool interrupted = false;
  while (true) {
    size_t live = 0;
    loop.Invoke([&] { live = controller.liveWorkerCount(); });
    if (live == 0) break;
    if (signals.Wait() && !interrupted) {
      interrupted = true;
      loop.Invoke([&] { controller.OnStopAll(); });
    }
  }
  loop.Invoke([&] { session.downloadList().SetObserver(nullptr); });
  loop.Shutdown();
  if (interrupted) status = 130;
  if (status == 0 && (completedCount != parsed.urls.size() || queuedCount != parsed.urls.size())) status = 1;
  return status;
}

}  // namespace vexon::cli
