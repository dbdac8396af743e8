// Download figures against curl in the same run, on nginx (the real peer) and on the
// stand-in: throughput and CPU time of one 1 GiB file (median of alternating runs,
// every file checked by its hash), the same verified by --sha1 against curl and
// against curl | sha1sum, the rate limit at 200 KB/s and 2 MB/s over ten
// seconds, and memory with 200 queued downloads.
// VEXON_BENCH_CLI names another vexon-cli to measure (an older build, say).
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_process.h"
#include "nginx_server.h"
#include "standin/catalog.h"
#include "text/strings.h"

using namespace vexon;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kBigSize = 1ull << 30;
constexpr int kRounds = 3;
constexpr int kQueued = 200;
constexpr const char* kCurl = "/usr/bin/curl";

struct Run {
  double seconds = 0;
  double cpu = 0;
  long rssKb = 0;
  long threads = 0;
  int status = -1;
};

Run Measure(const std::vector<std::string>& args) {
  const auto f = bench::RunMeasured(args, "/dev/null");
  return Run{f.seconds, f.cpuSeconds, f.peakRssKb, f.peakThreads, f.exitStatus};
}

// The hex digest a coreutils tool ("sha256sum", "sha1sum") prints for `file`.
std::string Digest(const std::string& tool, const fs::path& file, size_t length) {
  const std::string command = tool + " '" + file.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string digest(length, '\0');
  const size_t n = std::fread(digest.data(), 1, length, pipe);
  pclose(pipe);
  return n == length ? digest : std::string();
}
std::string Sha256(const fs::path& file) {
  return Digest("sha256sum", file, 64);
}

void WriteRandomFile(const fs::path& path, uint64_t size) {
  std::mt19937_64 random(size);
  std::vector<uint64_t> block(1 << 17);
  std::ofstream out(path, std::ios::binary);
  for (uint64_t left = size; left > 0;) {
    for (uint64_t& word : block) word = random();
    const uint64_t n = std::min<uint64_t>(left, block.size() * sizeof(uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    left -= n;
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// 1 GiB from `url` by vexon-cli and by curl in turn; false if a file came wrong.
bool CompareBig(const std::string& label, const std::string& cli, const std::string& url, const fs::path& work,
                std::string expectedHash) {
  std::vector<double> ourSeconds, ourCpu, curlSeconds, curlCpu;
  for (int round = 0; round < kRounds; ++round) {
    const fs::path ours = work / "ours.bin", theirs = work / "curl.bin";
    const Run a = Measure({cli, "get", url, "--to", ours.string()});
    const std::string ourHash = Sha256(ours);
    fs::remove(ours);
    const Run b = Measure({kCurl, "-s", "-o", theirs.string(), url});
    const std::string curlHash = Sha256(theirs);
    fs::remove(theirs);
    if (expectedHash.empty()) expectedHash = curlHash;
    if (a.status != 0 || b.status != 0 || ourHash != expectedHash || curlHash != expectedHash) {
      std::fprintf(stderr, "download_bench: %s: a 1 GiB download failed or differs (exit %d, %d)\n", label.c_str(),
                   a.status, b.status);
      return false;
    }
    ourSeconds.push_back(a.seconds), ourCpu.push_back(a.cpu);
    curlSeconds.push_back(b.seconds), curlCpu.push_back(b.cpu);
  }
  const double ourRate = static_cast<double>(kBigSize) / Median(ourSeconds) / 1e6;
  const double curlRate = static_cast<double>(kBigSize) / Median(curlSeconds) / 1e6;
  std::printf("%s, 1 GiB (median of %d): vexon-cli %.0f MB/s, curl %.0f MB/s: %.2f x curl's throughput\n",
              label.c_str(), kRounds, ourRate, curlRate, ourRate / curlRate);
  std::printf("%s, 1 GiB: CPU vexon-cli %.2f s, curl %.2f s: %.2f x curl's CPU time\n", label.c_str(), Median(ourCpu),
              Median(curlCpu), Median(ourCpu) / Median(curlCpu));
  return true;
}

// 1 GiB verified by its SHA1 as it arrives, against curl (which hashes nothing) and
// against curl piped into sha1sum; false if a file came wrong.
bool CompareHashed(const std::string& cli, const std::string& url, const fs::path& work, const std::string& sha1) {
  std::vector<double> ourSeconds, ourCpu, curlCpu, pipeSeconds, pipeCpu;
  for (int round = 0; round < kRounds; ++round) {
    const fs::path ours = work / "ours.bin", theirs = work / "curl.bin";
    const Run a = Measure({cli, "get", "--sha1", sha1, url, "--to", ours.string()});
    fs::remove(ours);
    const Run b = Measure({kCurl, "-s", "-o", theirs.string(), url});
    fs::remove(theirs);
    const Run c =
        Measure({"/bin/sh", "-c",
                 std::string(kCurl) + " -s '" + url + "' | sha1sum > '" + (work / "piped.txt").string() + "'"});
    const bool piped = Digest("cat", work / "piped.txt", 40) == sha1;
    if (a.status != 0 || b.status != 0 || c.status != 0 || !piped) {
      std::fprintf(stderr, "download_bench: a hashed 1 GiB download failed (exit %d, %d, %d)\n", a.status, b.status,
                   c.status);
      return false;
    }
    ourSeconds.push_back(a.seconds), ourCpu.push_back(a.cpu), curlCpu.push_back(b.cpu);
    pipeSeconds.push_back(c.seconds), pipeCpu.push_back(c.cpu);
  }
  std::printf(
      "nginx, 1 GiB with --sha1: vexon-cli %.0f MB/s, CPU %.2f s: %.2f x curl's CPU (%.2f s), "
      "%.2f x curl | sha1sum's (%.2f s, %.0f MB/s)\n",
      static_cast<double>(kBigSize) / Median(ourSeconds) / 1e6, Median(ourCpu), Median(ourCpu) / Median(curlCpu),
      Median(curlCpu), Median(ourCpu) / Median(pipeCpu), Median(pipeCpu),
      static_cast<double>(kBigSize) / Median(pipeSeconds) / 1e6);
  return true;
}

// Ten seconds at `kbPerSecond` (1 KB = 1000 bytes), process start included. curl's
// own limiter is no peer here: the Debian 12 curl overshoots it on loopback.
bool RateLimit(const std::string& cli, const std::string& base, const fs::path& work, unsigned kbPerSecond) {
  const double rate = kbPerSecond * 1000.0;
  const std::string url = base + "/rate" + std::to_string(kbPerSecond) + ".bin";
  const Run ours = Measure({cli, "get", url, "--speed", std::to_string(kbPerSecond), "--to", (work / "r").string()});
  fs::remove(work / "r");
  const double size = rate * 10;
  std::printf("--speed %u: %.0f bytes/s, %+.2f%% from %.0f (goal within 1%%)\n", kbPerSecond, size / ours.seconds,
              (size / ours.seconds / rate - 1) * 100, rate);
  return ours.status == 0;
}

}  // namespace

int main() {
  const auto build = bench::BuildDir();
  const fs::path work = fs::temp_directory_path() / "vexon_download_bench";
  fs::remove_all(work);
  fs::create_directories(work / "www");
  // vexon-cli keeps its settings file in the working folder.
  fs::current_path(work);
  const char* otherCli = std::getenv("VEXON_BENCH_CLI");
  const std::string cli = otherCli ? otherCli : (build / "vexon-cli").string();

  WriteRandomFile(work / "www" / "big.bin", kBigSize);
  WriteRandomFile(work / "www" / "rate200.bin", 2000000);
  WriteRandomFile(work / "www" / "rate2000.bin", 20000000);
  const std::string bigHash = Sha256(work / "www" / "big.bin");
  const std::string bigSha1 = Digest("sha1sum", work / "www" / "big.bin", 40);
  bool ok = true;
  {
    const bench::NginxServer nginx(work / "nginx", work / "www");
    if (!nginx.ok()) {
      std::fprintf(stderr, "download_bench: nginx did not start (%s)\n", bench::NginxServer::kBinary);
      return 1;
    }
    ok = CompareBig("nginx", cli, nginx.base() + "/big.bin", work, bigHash) && ok;
    ok = CompareHashed(cli, nginx.base() + "/big.bin", work, bigSha1) && ok;
    ok = RateLimit(cli, nginx.base(), work, 200) && ok;
    ok = RateLimit(cli, nginx.base(), work, 2000) && ok;
  }
  fs::remove_all(work / "www");

  pid_t standin = -1;
  const std::string host =
      bench::StartStandin({"--no-dead-links", "--no-quirks", "--file", "/big.mp3=" + std::to_string(kBigSize)},
                          (work / "port").string(), standin);
  if (host.empty()) {
    std::fprintf(stderr, "download_bench: the stand-in did not start\n");
    return 1;
  }
  const std::string base = "http://" + host;
  ok = CompareBig("stand-in", cli, base + "/big.mp3", work, "") && ok;

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
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(work);
  return ok && many.status == 0 ? 0 : 1;
}
