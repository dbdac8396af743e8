// Thousands of small files from nginx: vexon-cli get --jobs 3 against curl with three
// parallel transfers, in the same run. Per file count: wall time of both, vexon-cli's
// growth from N/2 to N files, its peak thread count, peak RSS and RSS per queued
// download, and how often it replaced its settings file; under strace once, the
// connections it opened. Every file is checked (count, sizes, the bytes of a sample).
// The files stay until the end: about 1.4 GB in the temporary folder with the full set.
// VEXON_BENCH_FILES (or the first argument) lists the file counts, comma-separated
// (default 1000,2000,10000,20000); VEXON_BENCH_CLI names another vexon-cli to measure.
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_process.h"
#include "nginx_server.h"
#include "storage/settings_store.h"
#include "text/strings.h"

using namespace vexon;
namespace fs = std::filesystem;

namespace {

constexpr size_t kFileSize = 20000;
constexpr int kJobs = 3;
// vexon-cli's own threads besides its transfer threads: the goal's allowance.
constexpr long kThreadAllowance = 10;
constexpr int kBaselineFiles = 100;
constexpr int kStracedFiles = 2000;
// Every file whose index is a multiple of this has its bytes compared, and the last.
constexpr int kContentStride = 97;
constexpr double kGoalRatio = 3.0;
constexpr double kGoalGrowth = 2.2;
constexpr double kGoalRssPerItemKb = 2.0;
constexpr const char* kCurl = "/usr/bin/curl";
constexpr const char* kStrace = "/usr/bin/strace";
const std::vector<int> kDefaultCounts = {1000, 2000, 10000, 20000};

std::string FileName(int index) {
  return text::Format("f%05d.bin", index);
}

// Distinct bytes per file, made again from the index when a file is checked.
std::string FileBytes(int index) {
  std::mt19937_64 random(static_cast<uint64_t>(index) + 1);
  std::string bytes(kFileSize, '\0');
  for (size_t i = 0; i < kFileSize; i += sizeof(uint64_t)) {
    const uint64_t word = random();
    std::memcpy(&bytes[i], &word, std::min(sizeof word, kFileSize - i));
  }
  return bytes;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Empty when `folder` holds exactly files 0..count-1, whole; else what is wrong.
std::string Verify(const fs::path& folder, int count) {
  std::error_code ec;
  long entries = 0;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    (void)entry;
    ++entries;
  }
  if (ec) return "cannot list " + folder.string();
  if (entries != count) return text::Format("%ld entries in the folder, %d wanted", entries, count);
  for (int i = 0; i < count; ++i) {
    const fs::path file = folder / FileName(i);
    const auto size = fs::file_size(file, ec);
    if (ec) return FileName(i) + " is missing";
    if (size != kFileSize) return text::Format("%s has %llu bytes", FileName(i).c_str(), (unsigned long long)size);
    if ((i % kContentStride == 0 || i == count - 1) && ReadAll(file) != FileBytes(i)) {
      return FileName(i) + " differs from the served file";
    }
  }
  return {};
}

std::vector<int> ParseCounts(const char* text) {
  std::vector<int> counts;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const int n = std::atoi(item.c_str());
    if (n < 2) return {};
    counts.push_back(n);
  }
  std::sort(counts.begin(), counts.end());
  counts.erase(std::unique(counts.begin(), counts.end()), counts.end());
  return counts;
}

// Counts the renames onto the settings file in `folder` while a run lasts, from the
// outside, so the timed process is not slowed the way strace would slow it.
class ReplacementCounter {
 public:
  explicit ReplacementCounter(const fs::path& folder) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0 && inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO) < 0) {
      close(fd_);
      fd_ = -1;
    }
    if (fd_ >= 0) reader_ = std::thread([this] { Read(); });
  }

  ~ReplacementCounter() {
    if (reader_.joinable()) {
      stop_ = true;
      reader_.join();
    }
    if (fd_ >= 0) close(fd_);
  }

  ReplacementCounter(const ReplacementCounter&) = delete;
  ReplacementCounter& operator=(const ReplacementCounter&) = delete;

  // The count so far, once the writer is gone; -1 if some events were lost.
  long Finish() {
    if (reader_.joinable()) {
      stop_ = true;
      reader_.join();
    }
    return fd_ < 0 || overflowed_ ? -1 : count_;
  }

 private:
  void Read() {
    while (true) {
      const bool last = stop_;
      pollfd p{fd_, POLLIN, 0};
      poll(&p, 1, last ? 0 : 20);
      alignas(inotify_event) char buffer[64 * 1024];
      ssize_t n;
      while ((n = read(fd_, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < n;) {
          const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
          if (event->mask & IN_Q_OVERFLOW) overflowed_ = true;
          if (event->len > 0 && storage::kSettingsFileName == event->name) ++count_;
          at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
      }
      if (last) return;
    }
  }

  int fd_ = -1;
  std::thread reader_;
  std::atomic<bool> stop_{false};
  long count_ = 0;
  bool overflowed_ = false;
};

struct Figures {
  bench::ProcessFigures process;
  long replacements = -1;
};

// A folder made fresh for one run, kept to the end of the benchmark: ext4 steps over
// inodes freed moments ago when it looks for a free one, so 20,000 files removed just
// before a run would slow that run's file creation, whichever program it is.
struct RunFolder {
  fs::path path;
  RunFolder(const fs::path& work, const std::string& name) : path(work / name) {
    fs::remove_all(path);
    fs::create_directories(path / "start");
    fs::create_directories(path / "out");
  }
  fs::path start() const { return path / "start"; }
  fs::path out() const { return path / "out"; }
};

std::vector<std::string> CliArgs(const std::string& cli, const fs::path& list, const RunFolder& run) {
  return {cli, "get", "--jobs", std::to_string(kJobs), "-i", list.string(), "--dir", run.out().string()};
}

// vexon-cli in a start folder of its own (its settings file lives there), timed.
bool RunCli(const std::string& cli, const fs::path& work, const fs::path& list, int count, Figures& figures) {
  const RunFolder run(work, "vexon-" + std::to_string(count));
  fs::current_path(run.start());
  {
    ReplacementCounter counter(run.start());
    figures.process = bench::RunMeasured(CliArgs(cli, list, run), (run.path / "stdout").string());
    figures.replacements = counter.Finish();
  }
  fs::current_path(work);
  const std::string wrong = figures.process.exitStatus != 0 ? text::Format("exit status %d", figures.process.exitStatus)
                                                            : Verify(run.out(), count);
  if (!wrong.empty()) std::fprintf(stderr, "many_files_bench: vexon-cli, %d files: %s\n", count, wrong.c_str());
  return wrong.empty();
}

bool RunCurl(const fs::path& work, const fs::path& config, int count, Figures& figures) {
  const RunFolder run(work, "curl-" + std::to_string(count));
  // -q: no ~/.curlrc; the outputs are named in the config.
  figures.process = bench::RunMeasured(
      {kCurl, "-q", "-s", "-S", "-f", "-Z", "--parallel-max", std::to_string(kJobs), "-K", config.string()},
      "/dev/null");
  const std::string wrong = figures.process.exitStatus != 0 ? text::Format("exit status %d", figures.process.exitStatus)
                                                            : Verify(run.out(), count);
  if (!wrong.empty()) std::fprintf(stderr, "many_files_bench: curl, %d files: %s\n", count, wrong.c_str());
  return wrong.empty();
}

struct Traced {
  bool ran = false;
  double seconds = 0;
  long connects = 0;
  long replacements = 0;
};

// vexon-cli once under strace: its connects to the server and renames onto its
// settings file. Never the timed run: strace slows every call it stops.
bool RunTraced(const std::string& cli, const fs::path& work, const fs::path& list, int count, int port,
               Traced& traced) {
  if (!fs::exists(kStrace)) return true;
  const RunFolder run(work, "traced-" + std::to_string(count));
  const fs::path trace = run.path / "trace";
  std::vector<std::string> args = {kStrace, "-f",          "-e", "trace=connect,rename,renameat,renameat2",
                                   "-o",    trace.string()};
  const std::vector<std::string> get = CliArgs(cli, list, run);
  args.insert(args.end(), get.begin(), get.end());
  fs::current_path(run.start());
  const auto started = std::chrono::steady_clock::now();
  const pid_t pid = bench::Spawn(args, (run.path / "stdout").string());
  int status = -1;
  if (pid > 0) waitpid(pid, &status, 0);
  traced.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  fs::current_path(work);
  std::string wrong = pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Verify(run.out(), count)
                                                                               : std::string("did not end well");
  if (!wrong.empty()) {
    std::fprintf(stderr, "many_files_bench: vexon-cli under strace, %d files: %s\n", count, wrong.c_str());
    return false;
  }
  // A call another thread interrupts is cut in two lines; its first one holds the arguments.
  const std::string server = "htons(" + std::to_string(port) + ")";
  const std::string settings = "\"" + (run.start() / storage::kSettingsFileName).string() + "\"";
  std::ifstream in(trace);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("resumed>") != std::string::npos) continue;
    if (line.find("connect(") != std::string::npos && line.find(server) != std::string::npos) ++traced.connects;
    const size_t at = line.find(settings);
    // The settings file as the second path: a replacement, not the temporary file's name.
    if (line.find("rename") != std::string::npos && at != std::string::npos && line.find('"') < at) {
      ++traced.replacements;
    }
  }
  traced.ran = true;
  return true;
}

const char* Mark(bool met) {
  return met ? "" : " (missed)";
}

}  // namespace

int main(int argc, char** argv) {
  const char* countsText = argc > 1 ? argv[1] : std::getenv("VEXON_BENCH_FILES");
  const std::vector<int> counts = countsText ? ParseCounts(countsText) : kDefaultCounts;
  if (counts.empty()) {
    std::fprintf(stderr, "many_files_bench: file counts are whole numbers of at least 2, comma-separated\n");
    return 2;
  }
  const char* otherCli = std::getenv("VEXON_BENCH_CLI");
  const std::string cli = otherCli ? otherCli : (bench::BuildDir() / "vexon-cli").string();

  std::string pattern = (fs::temp_directory_path() / "vexon_many_files_bench_XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path work = pattern;
  struct Cleanup {
    fs::path path;
    ~Cleanup() {
      std::error_code ignored;
      fs::current_path(fs::temp_directory_path(), ignored);
      fs::remove_all(path, ignored);
    }
  } cleanup{work};
  // Neither program reads or writes the user's own files: home and XDG places are ours.
  fs::create_directories(work / "home");
  setenv("HOME", (work / "home").c_str(), 1);
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
    setenv(name, (work / "home").c_str(), 1);
  }
  fs::current_path(work);

  const int largest = std::max(counts.back(), kBaselineFiles);
  fs::create_directories(work / "www" / "files");
  for (int i = 0; i < largest; ++i) {
    std::ofstream(work / "www" / "files" / FileName(i), std::ios::binary) << FileBytes(i);
  }
  const bench::NginxServer nginx(work / "nginx", work / "www");
  if (!nginx.ok()) {
    std::fprintf(stderr, "many_files_bench: nginx did not start (%s)\n", bench::NginxServer::kBinary);
    return 1;
  }
  const int port = std::atoi(nginx.base().substr(nginx.base().rfind(':') + 1).c_str());

  // Lists of the first `count` files: URLs for vexon-cli, url/output pairs for curl.
  auto writeLists = [&](int count) {
    std::ofstream urls(work / text::Format("urls-%d", count));
    std::ofstream config(work / text::Format("config-%d", count));
    const fs::path curlOut = work / ("curl-" + std::to_string(count)) / "out";
    for (int i = 0; i < count; ++i) {
      const std::string url = nginx.base() + "/files/" + FileName(i);
      urls << url << '\n';
      config << "url = \"" << url << "\"\noutput = \"" << (curlOut / FileName(i)).string() << "\"\n";
    }
  };
  auto urlList = [&](int count) { return work / text::Format("urls-%d", count); };

  // The small run is the reference for memory per queued item, and warms the caches.
  writeLists(kBaselineFiles);
  Figures baseline;
  if (!RunCli(cli, work, urlList(kBaselineFiles), kBaselineFiles, baseline)) return 1;

  std::map<int, Figures> ours, theirs;
  bool ok = true;
  for (const int count : counts) {
    writeLists(count);
    ok = RunCli(cli, work, urlList(count), count, ours[count]) && ok;
    ok = RunCurl(work, work / text::Format("config-%d", count), count, theirs[count]) && ok;
    if (!ok) break;
  }
  const int traceCount =
      std::find(counts.begin(), counts.end(), kStracedFiles) != counts.end() ? kStracedFiles : counts.front();
  Traced traced;
  if (ok) ok = RunTraced(cli, work, urlList(traceCount), traceCount, port, traced);
  if (!ok) return 1;

  std::printf("files of %zu bytes from nginx on loopback: vexon-cli get --jobs %d against curl -Z --parallel-max %d\n",
              kFileSize, kJobs, kJobs);
  std::printf(
      "goals: wall <= %.0f x curl's, growth time(N)/time(N/2) <= %.1f, peak threads <= %ld, RSS <= %.0f KB "
      "per queued item\n",
      kGoalRatio, kGoalGrowth, kJobs + kThreadAllowance, kGoalRssPerItemKb);
  std::printf("reference run, %d files: %.2f s, peak RSS %.1f MB, peak threads %ld, %ld settings-file replacements\n",
              kBaselineFiles, baseline.process.seconds, static_cast<double>(baseline.process.peakRssKb) / 1024.0,
              baseline.process.peakThreads, baseline.replacements);
  for (const int count : counts) {
    const Figures& a = ours[count];
    const Figures& b = theirs[count];
    const double ratio = a.process.seconds / b.process.seconds;
    std::printf("\n%d files:\n", count);
    std::printf("  wall: vexon-cli %.2f s (%.2f ms a file), curl %.2f s: %.2f x curl's%s\n", a.process.seconds,
                a.process.seconds * 1000.0 / count, b.process.seconds, ratio, Mark(ratio <= kGoalRatio));
    std::printf("  CPU: vexon-cli %.2f s, curl %.2f s: %.2f x curl's\n", a.process.cpuSeconds, b.process.cpuSeconds,
                a.process.cpuSeconds / b.process.cpuSeconds);
    if (count % 2 == 0 && ours.count(count / 2)) {
      const double growth = a.process.seconds / ours[count / 2].process.seconds;
      std::printf("  growth: time(%d) / time(%d) = %.2f%s\n", count, count / 2, growth, Mark(growth <= kGoalGrowth));
    }
    const long threadGoal = kJobs + kThreadAllowance;
    std::printf("  peak threads: %ld (curl %ld)%s\n", a.process.peakThreads, b.process.peakThreads,
                Mark(a.process.peakThreads <= threadGoal));
    const double perItemKb = static_cast<double>(a.process.peakRssKb - baseline.process.peakRssKb) /
                             static_cast<double>(count - kBaselineFiles);
    std::printf("  peak RSS: %.1f MB (curl %.1f MB), %.2f KB per queued item over the %d-file run%s\n",
                static_cast<double>(a.process.peakRssKb) / 1024.0, static_cast<double>(b.process.peakRssKb) / 1024.0,
                perItemKb, kBaselineFiles, Mark(perItemKb <= kGoalRssPerItemKb));
    if (a.replacements >= 0) {
      std::printf("  settings file replaced %ld times, %.1f a second, %.3f a file\n", a.replacements,
                  static_cast<double>(a.replacements) / a.process.seconds, static_cast<double>(a.replacements) / count);
    } else {
      std::printf("  settings-file replacements: not counted (inotify unavailable or its queue overflowed)\n");
    }
  }
  if (traced.ran) {
    std::printf(
        "\nunder strace, %d files (%.2f s): %ld connections opened, %ld settings-file replacements "
        "(%.1f a second)\n",
        traceCount, traced.seconds, traced.connects, traced.replacements,
        static_cast<double>(traced.replacements) / traced.seconds);
  } else {
    std::printf("\nconnections not counted: %s is missing (scripts/install-deps.sh installs it)\n", kStrace);
  }
  return 0;
}
