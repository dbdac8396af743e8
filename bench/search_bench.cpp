// Searches over both services with many live links whose checks each take a while,
// compared with the bound set by the slower page chain and by 64 parallel checks:
// about 1,000 links checked in 1 s each, and about 2,000 in 500 ms each.
// With "archive", a search of the stand-in's archive alone: 50 items of 20 tracks,
// every file request answered after 500 ms, and the requests the search sent.
// VEXON_BENCH_CLI names another vexon-cli to measure (an older build, say).
#include <curl/curl.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>

#include "bench_process.h"
#include "search/baidu_service.h"
#include "search/yahoo_service.h"
#include "standin/archive_catalog.h"
#include "standin/catalog.h"

using namespace vexon;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPages = 10;
constexpr int kParallelChecks = 64;
const std::string kPortFile = "/tmp/vexon_search_bench.port";

struct Scenario {
  int linksPerPage;  // of every kind; about 72% are of the chosen types and checked
  int checkDelayMs;
};
const std::string kWords = "bench words";

size_t Append(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

std::string Get(CURL* curl, const std::string& url) {
  std::string body;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_perform(curl);
  return body;
}

void Pause(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Every value between `open` and the next `close` in `page`.
std::vector<std::string> Between(const std::string& page, const std::string& open, const std::string& close) {
  std::vector<std::string> out;
  size_t pos = 0;
  while ((pos = page.find(open, pos)) != std::string::npos) {
    pos += open.size();
    const size_t end = page.find(close, pos);
    if (end == std::string::npos) break;
    out.push_back(page.substr(pos, end - pos));
    pos = end;
  }
  return out;
}

// The Baidu chain done as plainly as possible: each page, then for every hit the two
// 10 ms pauses and its intermediate page.
double BaiduChainSeconds(const std::string& host) {
  CURL* curl = curl_easy_init();
  const auto start = Clock::now();
  std::string url = search::BaiduService(host).QueryUrl(kWords);
  while (!url.empty()) {
    const std::string page = Get(curl, url);
    for (const std::string& href : Between(page, "<a href=\"", "\"")) {
      Pause(10);
      if (href.find("tn=baidusg,") == std::string::npos) continue;
      Pause(10);
      Get(curl, href.substr(0, href.find('?')));
    }
    url.clear();
    const size_t next = page.find("\xCF\xC2\xD2\xBB\xD2\xB3");  // "下一页"
    if (next != std::string::npos) {
      const size_t href = page.rfind("http://", next);
      url = page.substr(href, page.find('"', href) - href);
    }
  }
  curl_easy_cleanup(curl);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double YahooChainSeconds(const std::string& host) {
  CURL* curl = curl_easy_init();
  const auto start = Clock::now();
  std::string url = search::YahooService(host).QueryUrl(kWords);
  while (!url.empty()) {
    const std::string page = Get(curl, url);
    for (size_t i = 0; i < Between(page, "<a ", "</a>").size(); ++i) Pause(10);
    url.clear();
    const size_t next = page.find("<strong>\xCF\xC2\xD2\xBB\xD2\xB3</strong>");
    if (next != std::string::npos) {
      const size_t href = page.rfind("search.html?", next);
      url = "http://" + host + "/" + page.substr(href, page.find('"', href) - href);
    }
  }
  curl_easy_cleanup(curl);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs vexon-cli search with `args`, then stops the stand-in; the rows it printed.
size_t SearchRows(const std::vector<std::string>& args, pid_t standin, bench::ProcessFigures& figures) {
  const char* otherCli = std::getenv("VEXON_BENCH_CLI");
  std::vector<std::string> command = {otherCli ? otherCli : (bench::BuildDir() / "vexon-cli").string(), "search"};
  command.insert(command.end(), args.begin(), args.end());
  const std::string out = "/tmp/vexon_search_bench.out";
  figures = bench::RunMeasured(command, out);
  kill(standin, SIGTERM);
  waitpid(standin, nullptr, 0);
  std::ifstream in(out);
  std::string line;
  size_t rows = 0;
  while (std::getline(in, line)) ++rows;
  return rows;
}

// The archive read as plainly as possible: each search page, then its items' file
// lists four at a time, as the service asks them.
double ArchiveChainSeconds(const std::string& base) {
  CURL* curl = curl_easy_init();
  const auto start = Clock::now();
  for (int page = 1;; ++page) {
    const std::string answer = Get(curl, base +
                                             "advancedsearch.php?q=%28w%29%20AND%20mediatype%3A%28audio%29"
                                             "&fl%5B%5D=identifier&rows=50&page=" +
                                             std::to_string(page) + "&output=json");
    const std::vector<std::string> ids = Between(answer, "\"identifier\":\"", "\"");
    if (ids.empty()) break;
    std::atomic<size_t> next{0};
    const auto readItems = [&] {
      CURL* own = curl_easy_init();
      for (size_t i = next++; i < ids.size(); i = next++) Get(own, base + "metadata/" + ids[i]);
      curl_easy_cleanup(own);
    };
    std::vector<std::thread> readers;
    for (int k = 0; k < 4; ++k) readers.emplace_back(readItems);
    for (std::thread& reader : readers) reader.join();
  }
  curl_easy_cleanup(curl);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool RunArchiveScenario() {
  constexpr int kItems = 50, kTracks = 20, kDelayMs = 500;
  pid_t standin = -1;
  const std::string served = "/tmp/vexon_search_bench.standin";
  const std::string host = bench::StartStandin({"--archive-items", std::to_string(kItems), "--archive-tracks",
                                                std::to_string(kTracks), "--check-delay-ms", std::to_string(kDelayMs)},
                                               kPortFile, standin, served);
  if (host.empty()) {
    std::fprintf(stderr, "search_bench: the stand-in did not start\n");
    return false;
  }
  const std::string base = "http://" + host + "/";
  size_t expected = 0;
  const standin::ArchiveCatalog catalog(1, kItems, kTracks);
  for (int i = 0; i < catalog.Count(); ++i) {
    for (const auto& file : catalog.Item(i).files) expected += file.format == "VBR MP3" && !file.isPrivate;
  }
  const double chain = ArchiveChainSeconds(base);
  // The stand-in's count at its end, less the plain chain's own requests.
  const long chainRequests = (kItems / 50 + 1) + kItems;  // its last page is empty
  const double checks = static_cast<double>(expected) * kDelayMs / 1000.0 / kParallelChecks;
  const double bound = std::max(chain, checks);
  bench::ProcessFigures figures;
  const size_t rows =
      SearchRows({"--sources", "archive", "--archive-url", base, "--", "bench words"}, standin, figures);
  std::printf("-- the archive: %d items of %d tracks, checks answered after %d ms\n", kItems, kTracks, kDelayMs);
  std::printf("live links listed:      %zu (expected %zu)\n", rows, expected);
  std::printf("page chain (archive):   %.2f s\n", chain);
  std::printf("checks at 64 parallel:  %.2f s\n", checks);
  std::printf("bound:                  %.2f s\n", bound);
  std::printf("search wall time:       %.2f s  (%.3f x bound)\n", figures.seconds, figures.seconds / bound);
  std::ifstream log(served);
  std::string line, last;
  while (std::getline(log, line)) last = line;
  const size_t answered = last.find("answered ");
  if (answered != std::string::npos) {
    std::printf("requests sent:          %ld (the page chain alone: %d)\n",
                std::stol(last.substr(answered + 9)) - chainRequests, 1 + kItems);
  }
  std::printf("peak threads:           %ld\n", figures.peakThreads);
  std::printf("peak RSS:               %.1f MB\n", static_cast<double>(figures.peakRssKb) / 1024.0);
  return rows == expected && figures.exitStatus == 0;
}

// One search against a fresh stand-in; false when it failed or missed links.
bool RunScenario(const Scenario& scenario) {
  pid_t standin = -1;
  const std::string host = bench::StartStandin(
      {"--links-per-page", std::to_string(scenario.linksPerPage), "--pages", std::to_string(kPages), "--no-dead-links",
       "--no-quirks", "--no-decoys", "--check-delay-ms", std::to_string(scenario.checkDelayMs)},
      kPortFile, standin);
  if (host.empty()) {
    std::fprintf(stderr, "search_bench: the stand-in did not start\n");
    return false;
  }

  standin::CatalogOptions catalogOptions;
  catalogOptions.linksPerPage = scenario.linksPerPage;
  catalogOptions.pagesPerService = kPages;
  catalogOptions.includeDeadLinks = false;
  catalogOptions.includeQuirks = false;
  catalogOptions.includeDecoys = false;
  std::set<std::string> expected;
  for (const auto& e : standin::Catalog(1, catalogOptions).AllEntries(kWords)) {
    if (e.extension != "wav" && e.extension != "mpeg") expected.insert(e.Path());
  }

  const double baidu = BaiduChainSeconds(host);
  const double yahoo = YahooChainSeconds(host);
  const double chain = std::max(baidu, yahoo);
  const double checks = static_cast<double>(expected.size()) * scenario.checkDelayMs / 1000.0 / kParallelChecks;
  const double bound = std::max(chain, checks);

  bench::ProcessFigures figures;
  const size_t rows = SearchRows({"--baidu-host", host, "--yahoo-host", host, "--sources", "baidu,yahoo", "--", kWords},
                                 standin, figures);
  std::printf("-- %zu links, checks answered after %d ms\n", expected.size(), scenario.checkDelayMs);
  std::printf("live links listed:      %zu (expected %zu)\n", rows, expected.size());
  std::printf("page chain (baidu):     %.2f s\n", baidu);
  std::printf("page chain (yahoo):     %.2f s\n", yahoo);
  std::printf("checks at 64 parallel:  %.2f s\n", checks);
  std::printf("bound:                  %.2f s\n", bound);
  std::printf("search wall time:       %.2f s  (%.3f x bound, goal <= 1.08)\n", figures.seconds,
              figures.seconds / bound);
  std::printf("peak threads:           %ld (goal <= 80)\n", figures.peakThreads);
  std::printf("peak RSS:               %.1f MB (goal < 100)\n", static_cast<double>(figures.peakRssKb) / 1024.0);
  return rows == expected.size() && figures.exitStatus == 0;
}

}  // namespace

// With "1000" or "2000" only that search runs.
int main(int argc, char** argv) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  const std::string only = argc > 1 ? argv[1] : "";
  bool ok = true;
  if (only == "archive") return RunArchiveScenario() ? 0 : 1;
  if (only != "2000") ok = RunScenario({70, 1000}) && ok;
  if (only != "1000") ok = RunScenario({140, 500}) && ok;
  return ok ? 0 : 1;
}
