#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/session.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/get_progress.h"
#include "cli/headless_ports.h"
#include "core/list_schemas.h"
#include "core/list_table.h"
#include "core/message_loop.h"
#include "core/prompter.h"
#include "download/download_controller.h"
#include "download/download_listener.h"
#include "download/file_digest.h"
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
// A list longer than this is taken for a wrong file rather than read to the end.
constexpr size_t kMaxUrls = 1000000;

struct GetArgs {
  std::vector<std::string> urls;
  // Beside urls, what each one's bytes must hash to ("sha1=HEX"); empty: none.
  std::vector<std::string> digests;
  std::vector<std::string> lists;  // files of URLs, "-" for standard input
  bool verbose = false;
  std::string to;
  std::string dir;
  std::optional<unsigned> speed;
  unsigned jobs = 0;
};

// "sha1=HEX" or "md5=HEX" in lower case; false when `text` is neither.
bool ReadDigest(std::string_view text, std::string& digest) {
  const std::optional<download::ExpectedDigest> read = download::ExpectedDigest::Read(text);
  if (!read) return false;
  digest = read->Text();
  return true;
}

// One URL a line, optionally followed by a blank and "sha1=HEX" or "md5=HEX"; blank
// lines and lines starting with "#" are skipped. `-` reads standard input.
bool ReadUrlList(const std::string& path, std::vector<std::string>& urls, std::vector<std::string>& digests,
                 const text::Translator& texts, std::string& error) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return (error = texts.Fill("cannot read %1: it is a folder", path)), false;
    file.open(path, std::ios::binary);
    if (!file) return (error = texts.Fill("cannot read %1: %2", path, std::strerror(errno))), false;
    in = &file;
  }
  std::string line;
  size_t number = 0;
  while (std::getline(*in, line)) {
    ++number;
    std::string_view url = text::Trim(line);
    if (url.empty() || url.front() == '#') continue;
    if (urls.size() == kMaxUrls) return (error = texts.Fill("more than %1 URLs", std::to_string(kMaxUrls))), false;
    std::string digest;
    const size_t blank = url.find_last_of(" \t");
    if (blank != std::string_view::npos) {
      const std::string_view last = url.substr(blank + 1);
      if (text::StartsWith(last, "sha1=") || text::StartsWith(last, "md5=")) {
        if (!ReadDigest(last, digest)) {
          const std::string lineNumber = std::to_string(number);
          const std::string_view values[] = {path, lineNumber, last};
          return (error = texts.Fill("%1, line %2: not a digest: %3", values)), false;
        }
        url = text::TrimRight(url.substr(0, blank));
      }
    }
    urls.emplace_back(url);
    digests.push_back(std::move(digest));
  }
  if (in->bad()) return (error = texts.Fill("cannot read %1", path)), false;
  return true;
}

bool ParseGetArgs(const std::vector<std::string>& args, GetArgs& out, const text::Translator& texts,
                  std::string& error) {
  bool urlsOnly = false;
  std::string nextDigest;  // for the URL that follows
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (urlsOnly || a.empty() || a[0] != '-') {
      out.urls.push_back(a);
      out.digests.push_back(std::exchange(nextDigest, {}));
      continue;
    }
    if (a == "--") {
      urlsOnly = true;
      continue;
    }
    if (a == "--verbose" || a == "-v") {
      out.verbose = true;
      continue;
    }
    if (i + 1 >= args.size()) return (error = texts.Fill("option %1 needs a value", a)), false;
    const std::string& value = args[++i];
    uint32_t n = 0;
    if (a == "-i" || a == "--input-file") {
      out.lists.push_back(value);
    } else if (a == "--sha1" || a == "--md5") {
      if (!ReadDigest(a.substr(2) + "=" + value, nextDigest))
        return (error = texts.Fill("bad %1: %2", a, value)), false;
    } else if (a == "--to") {
      out.to = value;
    } else if (a == "--dir") {
      out.dir = value;
    } else if (a == "--speed") {
      if (!ParseUnsigned(value, n) || n > kMaxSpeed) return (error = texts.Fill("bad %1: %2", a, value)), false;
      out.speed = n;
    } else if (a == "--jobs") {
      if (!ParseUnsigned(value, n) || n == 0 || n > kMaxJobs)
        return (error = texts.Fill("bad %1: %2", a, value)), false;
      out.jobs = n;
    } else {
      return (error = texts.Fill("unknown option: %1", a)), false;
    }
  }
  if (!nextDigest.empty()) return (error = texts("--sha1 and --md5 apply to the URL after them")), false;
  for (const std::string& list : out.lists) {
    if (!ReadUrlList(list, out.urls, out.digests, texts, error)) return false;
  }
  if (out.urls.empty()) return (error = texts("no URL given")), false;
  if (!out.to.empty() && !out.dir.empty()) return (error = texts("--to and --dir exclude each other")), false;
  if (!out.to.empty() && out.urls.size() > 1) return (error = texts("--to takes one URL")), false;
  if (!out.to.empty() && (out.to.back() == '/' || fs::is_directory(out.to))) {
    return (error = texts.Fill("--to names a folder: %1", out.to)), false;
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

int RunGetCommand(const std::vector<std::string>& args, const std::string& langFlag) {
  const text::Translator texts = LoadTexts(langFlag, fs::current_path(), "vexon-cli get").texts;
  GetArgs parsed;
  std::string error;
  if (!ParseGetArgs(args, parsed, texts, error)) {
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
  config.texts = texts;
  app::Session session(std::move(config), loop, ports.ForSession());
  // The options only: a stored download given again resumes rather than being a duplicate.
  session.LoadOptions();
  storage::AppSettings& settings = session.settings();
  if (parsed.speed) settings.MaxDownloadSpeed = *parsed.speed;
  std::string folder = settings.DefaultMusicPath;
  if (!parsed.dir.empty()) {
    std::error_code ec;
    fs::create_directories(parsed.dir, ec);
    if (!fs::is_directory(parsed.dir)) {
      std::fprintf(stderr, "vexon-cli get: %s\n", texts.Fill("cannot use folder %1", parsed.dir).c_str());
      loop.Shutdown();
      return 1;
    }
    folder = fs::absolute(parsed.dir).lexically_normal().string();
  }

  download::DownloadController& controller = session.downloads();
  GetProgress progress(session.downloadList(), controller, parsed.urls.size(), isatty(STDERR_FILENO) == 1,
                       parsed.verbose, texts);
  struct EndListener final : download::DownloadListener {
    SignalWatcher& signals;
    explicit EndListener(SignalWatcher& watcher) : signals(watcher) {}
    void TransferEnded() override { signals.Wake(); }
  } ends(signals);
  session.downloadList().SetObserver(&progress);
  download::DownloadController::Subscription progressSubscription = controller.Subscribe(progress);
  download::DownloadController::Subscription endSubscription = controller.Subscribe(ends);
  int status = 0;
  size_t queuedCount = 0;
  const size_t urlCount = parsed.urls.size();
  loop.Invoke([&] {
    for (size_t i = 0; i < parsed.urls.size(); ++i) {
      const std::string& url = parsed.urls[i];
      queuedCount += controller.AddDownload(url, TargetFor(parsed, url, folder), "", parsed.digests[i]) ? 1 : 0;
    }
  });
  // Queued, each download holds its URL: the list need not stay for the whole run.
  std::vector<std::string>().swap(parsed.urls);
  std::vector<std::string>().swap(parsed.digests);
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
  size_t completedCount = 0;
  loop.Invoke([&] {
    progress.Finish();
    completedCount = progress.completed();
    session.downloadList().SetObserver(nullptr);
    progressSubscription.Reset();
    endSubscription.Reset();
  });
  // The log and the records of what is left leave for the settings file now.
  session.batch().Flush();
  loop.Shutdown();
  if (interrupted) status = 130;
  if (status == 0 && (completedCount != urlCount || queuedCount != urlCount)) status = 1;
  return status;
}

}  // namespace vexon::cli
