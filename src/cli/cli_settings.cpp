#include "cli/cli_settings.h"

#include <vector>

#include "search/service_hosts.h"

namespace vexon::cli {

CliSettings::CliSettings(const std::filesystem::path& startDir)
    : profile_(storage::SettingsStore::SettingsPath(startDir)),
      store_(profile_, startDir),
      history_(store_, settings_) {
  std::vector<std::string> entries;
  store_.LoadSearchHistory(settings_, entries);
  history_.Assign(std::move(entries));
  store_.LoadServiceHosts(settings_);
}

bool CliSettings::ApplyHosts(search::SearchHosts& hosts, std::string& error) const {
  return search::ResolveServiceHosts(hosts, settings_, error);
}

std::function<void(const std::string&)> CliSettings::HistoryHook() { return history_.Hook(); }

}  // namespace vexon::cli
