// Download figures against curl in the same run: throughput and CPU time of one
// 1 GiB file, the accuracy of the rate limit, and memory with 200 queued downloads.
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_process.h"
#include "standin/catalog.h"
#include "text/strings.h"

using namespace vexon;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kBigSize = 1ull << 30;
constexpr uint64_t kRateSize = 2000000;  // ten seconds at 200 KB/s
constexpr int kRounds = 2;
constexpr int kQueued = 200;

struct Run {
  double seconds = 0;
  double cpu = 0;
  long rssKb = 0;
  long threads = 0;
  int status = -1;
};

Run Measure(const std::vector<std::string>& args) {
  const auto f = bench::RunMeasured(args, "/dev/null");
  Run r;
  r.seconds = f.seconds;
  r.cpu = f.cpuSeconds;
  r.rssKb = f.peakRssKb;
  r.threads = f.peakThreads;
  r.status = f.exitStatus;
  return r;
}

}  // namespace

int main() {
  const auto build = bench::BuildDir();
  const fs::path work = fs::temp_directory_path() / "vexon_download_bench";
  fs::remove_all(work);
  fs::create_directories(work);
  const std::string portFile = (work / "port").string();
  const pid_t standin = bench::Spawn(
      {(build / "vexon-standin").string(), "--port", "0", "--port-file", portFile, "--no-dead-links", "--no-quirks",
       "--file", "/big.mp3=" + std::to_string(kBigSize), "--file", "/rate.mp3=" + std::to_string(kRateSize)},
      "/dev/null");
  const std::string port = bench::WaitForPortFile(portFile);
  if (standin < 0 || port.empty()) {
    std::fprintf(stderr, "download_bench: the stand-in did not start\n");
    return 1;
  }
  const std::string base = "http://127.0.0.1:" + port;
  const std::string cli = (build / "vexon-cli").string();

  // Throughput and CPU, alternating so that both see the same machine.
  Run ours, theirs;
  for (int round = 0; round < kRounds; ++round) {
    fs::remove(work / "ours.mp3");
    const Run a = Measure({cli, "get", base + "/big.mp3", "--to", (work / "ours.mp3").string()});
    const Run b = Measure({"/usr/bin/curl", "-s", "-o", (work / "curl.mp3").string(), base + "/big.mp3"});
    if (a.status != 0 || b.status != 0 || fs::file_size(work / "ours.mp3") != kBigSize) {
      std::fprintf(stderr, "download_bench: a 1 GiB download failed (%d, %d)\n", a.status, b.status);
      return 1;
    }
    ours.seconds += a.seconds, ours.cpu += a.cpu, theirs.seconds += b.seconds, theirs.cpu += b.cpu;
    fs::remove(work / "curl.mp3");
  }
  fs::remove(work / "ours.mp3");
  const double ourRate = kRounds * static_cast<double>(kBigSize) / ours.seconds / 1e6;
  const double curlRate = kRounds * static_cast<double>(kBigSize) / theirs.seconds / 1e6;
  std::printf("1 GiB: vexon-cli %.0f MB/s, curl %.0f MB/s: %.2f x curl's throughput (goal >= 0.9)\n", ourRate, curlRate,
              ourRate / curlRate);
  std::printf("1 GiB: CPU vexon-cli %.2f s, curl %.2f s: %.2f x curl's CPU time (goal <= 1.5)\n", ours.cpu / kRounds,
              theirs.cpu / kRounds, ours.cpu / theirs.cpu);

  // The rate limit over ten seconds, with curl's own limiter beside it.
  const Run limited = Measure({cli, "get", base + "/rate.mp3", "--speed", "200", "--to", (work / "rate.mp3").string()});
  const Run curlLimited = Measure(
      {"/usr/bin/curl", "-s", "--limit-rate", "200000", "-o", (work / "curl-rate.mp3").string(), base + "/rate.mp3"});
  const double rate = static_cast<double>(kRateSize) / limited.seconds;
  const double curlRate200 = static_cast<double>(kRateSize) / curlLimited.seconds;
  std::printf("--speed 200: %.0f bytes/s, %+.1f%% from 200000 (goal within 5%%); curl --limit-rate: %+.1f%%\n", rate,
              (rate / 200000.0 - 1) * 100, (curlRate200 / 200000.0 - 1) * 100);

  // 200 queued downloads, three at a time.
  std::vector<std::string> args = {cli, "get", "--jobs", "3", "--dir", (work / "many").string()};
  fs::create_directories(work / "many");
  const standin::Catalog catalog(1, {});
  for (int i = 0; static_cast<int>(args.size()) < 6 + kQueued; ++i) {
    const auto entry = catalog.Describe(text::Format("%016x", 0x1000 + i));
    if (entry && entry->fault == standin::FileFault::kNone) args.push_back(base + entry->Path());
  }
  const Run many = Measure(args);
  std::printf("200 queued downloads: %.1f s, peak RSS %.1f MB, peak threads %ld, exit %d\n", many.seconds,
              static_cast<double>(many.rssKb) / 1024.0, many.threads, many.status);

  kill(standin, SIGTERM);
  waitpid(standin, nullptr, 0);
  fs::remove_all(work);
  return limited.status == 0 && many.status == 0 ? 0 : 1;
}
