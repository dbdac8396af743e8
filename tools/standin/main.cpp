#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "standin/standin_server.h"
#include "text/strings.h"

namespace {

using vexon::standin::RawPage;
using vexon::standin::StandinOptions;
using vexon::standin::StandinServer;

constexpr const char* kUsage =
    "usage: vexon-standin [--port N] [--host 127.0.0.1] [--port-file F] [--seed S]\n"
    "                     [--check-delay-ms MS] [--links-per-page N] [--pages N]\n"
    "                     [--no-dead-links] [--no-quirks] [--no-decoys] [--threads N]\n"
    "                     [--poplist FILE] [--update-version TEXT] [--download NAME=FILE]...\n"
    "                     [--file /PATH=SIZE]...\n"
    "                     [--update-mode missing|line-end|cut-download|failed-download]\n"
    "                     [--archive-items N] [--archive-tracks N] [--metadata-delay-ms MS]\n"
    "                     [--write-timeout-ms MS] [--shed-above N] [--shed-retry-after S]\n"
    "                     [--archive-digests]\n"
    "Serves the search services, file servers, maker's site and the archive's JSON\n"
    "interface (/advancedsearch.php, /metadata/ID, /download/ID/NAME redirecting to\n"
    "/datanode/ID/NAME) on loopback until SIGINT or SIGTERM. --archive-items (12)\n"
    "and --archive-tracks (5 per item) size the archive; --metadata-delay-ms holds\n"
    "back every /metadata/ answer; --write-timeout-ms (60000) drops a client that\n"
    "takes none of a file's body for that long; --shed-above answers the archive's\n"
    "search, metadata and download requests past N at once with 429 and\n"
    "Retry-After S (1; \"\" for none); --archive-digests gives the MP3s' md5 and sha1.\n"
    "The port is 18080 unless --port\n"
    "says otherwise; --port 0 picks a free port; --port-file receives its number.\n"
    "--update-mode makes the update fail: no update.txt, a version followed by a\n"
    "line end, or every --download cut in half or answered 404.\n";

constexpr int kDefaultPort = 18080;

// Faults of the maker's site for trying out the self-update.
enum class UpdateMode { kNormal, kMissing, kLineEnd, kCutDownload, kFailedDownload };

struct CommandLine {
  StandinOptions options;
  std::string portFile;
  std::optional<std::string> poplistFile;
  std::optional<std::string> updateVersion;
  UpdateMode updateMode = UpdateMode::kNormal;
  std::vector<std::pair<std::string, std::string>> downloads;  // name, file
  std::vector<std::pair<std::string, uint64_t>> files;         // path, size of generated audio
};

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool WriteFileAtomically(const std::string& path, const std::string& content) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << content;
    if (!out.flush()) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

bool ParseNumber(std::string_view text, int64_t low, int64_t high, int64_t& value) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  if (text.size() > 18) return false;
  value = vexon::text::LeadingInt(text);
  return value >= low && value <= high;
}

// Returns an error text, or nothing when the arguments are good.
std::optional<std::string> Parse(int argc, char** argv, CommandLine& cl) {
  // Where the program looks for the services when nothing else is configured.
  cl.options.port = kDefaultPort;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](std::string_view& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string_view v;
    int64_t n = 0;
    if (arg == "--no-dead-links") {
      cl.options.catalog.includeDeadLinks = false;
    } else if (arg == "--no-quirks") {
      cl.options.catalog.includeQuirks = false;
    } else if (arg == "--no-decoys") {
      cl.options.catalog.includeDecoys = false;
    } else if (arg == "--archive-digests") {
      cl.options.archiveDigests = true;
    } else if (arg == "--help" || arg == "-h") {
      return std::string();
    } else if (!value(v)) {
      return "unknown or incomplete option: " + std::string(arg);
    } else if (arg == "--port") {
      if (!ParseNumber(v, 0, 65535, n)) return "bad port: " + std::string(v);
      cl.options.port = static_cast<int>(n);
    } else if (arg == "--host") {
      cl.options.host = std::string(v);
    } else if (arg == "--port-file") {
      cl.portFile = std::string(v);
    } else if (arg == "--seed") {
      if (!ParseNumber(v, 0, INT64_MAX, n)) return "bad seed: " + std::string(v);
      cl.options.seed = static_cast<uint64_t>(n);
    } else if (arg == "--check-delay-ms") {
      if (!ParseNumber(v, 0, 600000, n)) return "bad delay: " + std::string(v);
      cl.options.checkDelay = std::chrono::milliseconds(n);
    } else if (arg == "--metadata-delay-ms") {
      if (!ParseNumber(v, 0, 600000, n)) return "bad delay: " + std::string(v);
      cl.options.metadataDelay = std::chrono::milliseconds(n);
    } else if (arg == "--shed-above") {
      if (!ParseNumber(v, 0, 100000, n)) return "bad request count: " + std::string(v);
      cl.options.shedAbove = static_cast<int>(n);
    } else if (arg == "--shed-retry-after") {
      cl.options.shedRetryAfter = std::string(v);
    } else if (arg == "--write-timeout-ms") {
      if (!ParseNumber(v, 1, 86400000, n)) return "bad write timeout: " + std::string(v);
      cl.options.writeTimeout = std::chrono::milliseconds(n);
    } else if (arg == "--archive-items") {
      if (!ParseNumber(v, 0, 100000, n)) return "bad item count: " + std::string(v);
      cl.options.archiveItems = static_cast<int>(n);
    } else if (arg == "--archive-tracks") {
      if (!ParseNumber(v, 0, 999, n)) return "bad track count: " + std::string(v);
      cl.options.archiveFilesPerItem = static_cast<int>(n);
    } else if (arg == "--links-per-page") {
      if (!ParseNumber(v, 0, 1000, n)) return "bad link count: " + std::string(v);
      cl.options.catalog.linksPerPage = static_cast<int>(n);
    } else if (arg == "--pages") {
      if (!ParseNumber(v, 0, 1000, n)) return "bad page count: " + std::string(v);
      cl.options.catalog.pagesPerService = static_cast<int>(n);
    } else if (arg == "--threads") {
      if (!ParseNumber(v, 1, 4096, n)) return "bad thread count: " + std::string(v);
      cl.options.threads = static_cast<int>(n);
    } else if (arg == "--poplist") {
      cl.poplistFile = std::string(v);
    } else if (arg == "--update-version") {
      cl.updateVersion = std::string(v);
    } else if (arg == "--update-mode") {
      if (v == "missing") {
        cl.updateMode = UpdateMode::kMissing;
      } else if (v == "line-end") {
        cl.updateMode = UpdateMode::kLineEnd;
      } else if (v == "cut-download") {
        cl.updateMode = UpdateMode::kCutDownload;
      } else if (v == "failed-download") {
        cl.updateMode = UpdateMode::kFailedDownload;
      } else {
        return "bad --update-mode: " + std::string(v);
      }
    } else if (arg == "--download") {
      const size_t eq = v.find('=');
      if (eq == 0 || eq == std::string_view::npos || v.substr(0, eq).find('/') != std::string_view::npos) {
        return "bad --download, expected NAME=FILE: " + std::string(v);
      }
      cl.downloads.emplace_back(std::string(v.substr(0, eq)), std::string(v.substr(eq + 1)));
    } else if (arg == "--file") {
      const size_t eq = v.find('=');
      if (eq == std::string_view::npos || v.empty() || v[0] != '/' || !ParseNumber(v.substr(eq + 1), 0, INT64_MAX, n)) {
        return "bad --file, expected /PATH=SIZE: " + std::string(v);
      }
      cl.files.emplace_back(std::string(v.substr(0, eq)), static_cast<uint64_t>(n));
    } else {
      return "unknown option: " + std::string(arg);
    }
  }
  return std::nullopt;
}

// Scripts the maker's site from files given on the command line.
std::optional<std::string> ScriptSite(const CommandLine& cl, StandinServer& server) {
  if (cl.poplistFile) {
    std::optional<std::string> bytes = ReadWholeFile(*cl.poplistFile);
    if (!bytes) return "cannot read " + *cl.poplistFile;
    RawPage page;
    page.body = std::move(*bytes);
    server.SetPage("/poplist.htm", std::move(page));
  }
  if (cl.updateMode == UpdateMode::kMissing) {
    RawPage page;
    page.status = 404;
    page.body = "<html><body>404 Not Found</body></html>\r\n";
    server.SetPage("/downloads/update.txt", std::move(page));
  } else if (cl.updateVersion || cl.updateMode == UpdateMode::kLineEnd) {
    RawPage page;
    page.contentType = "text/plain";
    page.body = cl.updateVersion.value_or(VEXON_VERSION_TEXT);
    if (cl.updateMode == UpdateMode::kLineEnd) page.body += "\r\n";
    server.SetPage("/downloads/update.txt", std::move(page));
  }
  for (const auto& [path, size] : cl.files) {
    vexon::standin::FileScript script;
    script.size = size;
    server.SetFile(path, std::move(script));
  }
  for (const auto& [name, file] : cl.downloads) {
    std::optional<std::string> bytes = ReadWholeFile(file);
    if (!bytes) return "cannot read " + file;
    if (cl.updateMode == UpdateMode::kCutDownload || cl.updateMode == UpdateMode::kFailedDownload) {
      // The full length is declared, but the body stops halfway (or never comes).
      vexon::standin::FileScript script;
      script.contentType = "application/octet-stream";
      script.cutAfter = static_cast<int64_t>(bytes->size() / 2);
      script.body = std::move(*bytes);
      if (cl.updateMode == UpdateMode::kFailedDownload) script.status = 404;
      server.SetFile("/downloads/" + name, std::move(script));
      continue;
    }
    RawPage page;
    page.contentType = "application/octet-stream";
    page.body = std::move(*bytes);
    server.SetPage("/downloads/" + name, std::move(page));
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine cl;
  if (std::optional<std::string> problem = Parse(argc, argv, cl)) {
    if (!problem->empty()) std::fprintf(stderr, "vexon-standin: %s\n", problem->c_str());
    std::fputs(kUsage, problem->empty() ? stdout : stderr);
    return problem->empty() ? 0 : 2;
  }

  // Block the stop signals before any server thread exists, so that every thread
  // inherits the mask and only sigwait below sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  StandinServer server(cl.options);
  if (std::optional<std::string> problem = ScriptSite(cl, server)) {
    std::fprintf(stderr, "vexon-standin: %s\n", problem->c_str());
    return 1;
  }
  std::string error;
  if (!server.Start(&error)) {
    std::fprintf(stderr, "vexon-standin: %s\n", error.c_str());
    return 1;
  }
  if (!cl.portFile.empty() && !WriteFileAtomically(cl.portFile, std::to_string(server.Port()) + "\n")) {
    std::fprintf(stderr, "vexon-standin: cannot write %s\n", cl.portFile.c_str());
    server.Stop();
    return 1;
  }
  std::printf("vexon-standin: serving http://%s (seed %llu); archive interface: %d items of %d tracks\n",
              server.HostPort().c_str(), static_cast<unsigned long long>(server.Seed()), cl.options.archiveItems,
              cl.options.archiveFilesPerItem);
  std::fflush(stdout);

  int received = 0;
  sigwait(&stopSignals, &received);
  server.Stop();
  const vexon::standin::StandinCounters counters = server.Counters();
  std::printf("vexon-standin: answered %llu requests, %llu of them by the file server\n",
              static_cast<unsigned long long>(counters.requests),
              static_cast<unsigned long long>(counters.fileRequests));
  return 0;
}
