#include <signal.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/session.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/headless_ports.h"
#include "core/column_spec.h"
#include "core/list_schemas.h"
#include "core/list_table.h"
#include "core/message_loop.h"
#include "net/url.h"
#include "search/search_controller.h"
#include "search/search_options.h"
#include "search/service_hosts.h"
#include "storage/profile.h"
#include "storage/result_file.h"
#include "storage/settings_store.h"
#include "text/strings.h"

namespace vexon::cli {
namespace {

struct SearchArgs {
  search::SearchHosts hosts;
  search::SearchOptions options;
  std::string words;
  std::string saveFile;
};

// Prints each results row the moment it is added: the seven cells and the digest
// the service gave ("sha1=HEX", else "md5=HEX", else nothing), joined by TAB.
class RowPrinter final : public core::ListObserver {
 public:
  explicit RowPrinter(const core::ResultList& results) : results_(results), table_(results.table()) {}
  void RowsInserted(size_t first, size_t count) override {
    for (size_t row = first; row < first + count; ++row) {
      std::vector<std::string> cells = table_.Row(row);
      const core::ResultRow* result = results_.At(row);
      cells.push_back(result == nullptr ? std::string() : result->DigestText());
      PrintRow(cells);
    }
  }
  void RowsRemoved(size_t, size_t) override {}
  void CellsChanged(size_t, size_t, size_t) override {}
  void RowsReordered(const std::vector<size_t>&) override {}

 private:
  const core::ResultList& results_;
  const core::ListTable& table_;
};

bool ParseSearchArgs(const std::vector<std::string>& args, SearchArgs& out, const text::Translator& texts,
                     std::string& error) {
  std::vector<std::string> words;
  bool wordsOnly = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (wordsOnly || a.empty() || a[0] != '-' || a == "-") {
      words.push_back(a);
      continue;
    }
    if (a == "--") {
      wordsOnly = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = texts.Fill("option %1 needs a value", a);
      return false;
    }
    const std::string& value = args[++i];
    if (a == "--baidu-host") {
      if (!search::IsValidHost(value)) return (error = texts.Fill("bad host: %1", value)), false;
      out.hosts.baidu = value;
    } else if (a == "--yahoo-host") {
      if (!search::IsValidHost(value)) return (error = texts.Fill("bad host: %1", value)), false;
      out.hosts.yahoo = value;
    } else if (a == "--archive-url") {
      if (!net::IsWebAddress(value)) return (error = texts.Fill("not an http or https address: %1", value)), false;
      out.hosts.archive = value;
    } else if (a == "--sources") {
      if (!search::ParseSources(value, out.hosts.sources)) {
        return (error = texts.Fill("--sources takes a comma list of baidu, yahoo, archive: %1", value)), false;
      }
    } else if (a == "--types") {
      if (!search::SetTypesFromList(out.options, value)) {
        error = texts.Fill("unknown file type in --types: %1", value);
        return false;
      }
    } else if (a == "--date") {
      out.options.dateFilter = value;
    } else if (a == "--size") {
      out.options.sizeFilter = value;
    } else if (a == "--max") {
      uint32_t n = 0;
      if (!ParseUnsigned(value, n)) return (error = texts.Fill("bad %1: %2", a, value)), false;
      out.options.maxResults = n;
    } else if (a == "--save") {
      out.saveFile = value;
    } else {
      error = texts.Fill("unknown option: %1", a);
      return false;
    }
  }
  if (words.empty()) {
    error = texts("no search words given");
    return false;
  }
  std::string joined;
  for (const std::string& w : words) {
    if (!joined.empty()) joined += ' ';
    joined += w;
  }
  out.words = std::string(text::Trim(joined));
  return true;
}

}  // namespace

int RunSearchCommand(const std::vector<std::string>& args, const std::string& langFlag) {
  const std::filesystem::path startDir = std::filesystem::current_path();
  const text::Translator texts = LoadTexts(langFlag, startDir, "vexon-cli search").texts;
  SearchArgs parsed;
  std::string error;
  if (!ParseSearchArgs(args, parsed, texts, error)) {
    std::fprintf(stderr, "vexon-cli search: %s\n", error.c_str());
    return 2;
  }
  storage::AppSettings stored;
  {
    storage::Profile profile(storage::SettingsStore::SettingsPath(startDir));
    storage::SettingsStore(profile, startDir).LoadServiceHosts(stored);
  }
  if (!search::ResolveServiceHosts(parsed.hosts, stored, error)) {
    std::fprintf(stderr, "vexon-cli search: %s\n", error.c_str());
    return 1;
  }

  // Before any thread starts, so every thread inherits the blocked signals.
  SignalWatcher signals;
  HeadlessPorts ports("vexon-cli search");
  std::mutex mutex;
  bool finished = false;
  int status = 0;
  core::MessageLoop loop;
  app::SessionConfig config;
  config.startDir = startDir;
  config.hosts = parsed.hosts;
  config.texts = texts;
  app::Session session(std::move(config), loop, ports.ForSession());
  session.LoadSearchHistory();
  session.options() = parsed.options;
  search::SetSources(session.options(), parsed.hosts.sources);
  core::ListTable& results = session.results();
  RowPrinter printer(session.resultList());
  results.SetObserver(&printer);
  search::SearchController& controller = session.search();
  struct EndListener final : search::SearchListener {
    std::function<void()> ended;
    void AllFinished() override { ended(); }
  } end;
  end.ended = [&] {
    std::lock_guard lock(mutex);
    finished = true;
    signals.Wake();
  };
  const search::SearchController::Subscription subscription = controller.Subscribe(end);
  bool started = false;
  loop.Invoke([&] {
    controller.OnSearch(parsed.words);
    started = controller.HasRunningTasks();
  });
  const auto isFinished = [&] {
    std::lock_guard lock(mutex);
    return finished;
  };
  while (started && !isFinished()) {
    if (signals.Wait() && !isFinished()) {
      loop.Invoke([&] { controller.OnStopSearch(); });
      status = 130;
      break;
    }
  }
  if (!parsed.saveFile.empty() && status == 0) {
    loop.Invoke([&] {
      const storage::ResultFileStatus saved = session.resultFiles().Save(parsed.saveFile);
      if (!saved.ok) {
        error = saved.error;
        status = 1;
      }
    });
    if (status == 1) std::fprintf(stderr, "vexon-cli search: %s\n", error.c_str());
  }
  std::string failures;
  loop.Invoke([&] {
    results.SetObserver(nullptr);
    failures = controller.FailureText();
  });
  loop.Shutdown();
  // The other services' rows stand: a failed one is told, not an error of the search.
  if (!failures.empty()) std::fprintf(stderr, "vexon-cli search: %s\n", failures.c_str());
  std::fflush(stdout);
  return status;
}

}  // namespace vexon::cli
