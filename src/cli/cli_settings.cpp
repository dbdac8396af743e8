#include "cli/cli_settings.h"

#include <vector>

#include "cli/cli_support.h"

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
  const auto fill = [&](std::string& host, const std::string& stored, const char* key) {
    if (!host.empty()) return true;
    if (stored.empty()) {
      host = kDefaultServiceHost;
      return true;
    }
    if (!IsValidHost(stored)) {
      error = std::string("the settings file holds a bad System/") + key + ": " + stored;
      return false;
    }
    host = stored;
    return true;
  };
  return fill(hosts.baidu, settings_.baiduHost, "BaiduHost") &&
         fill(hosts.yahoo, settings_.yahooHost, "YahooHost");
}

std::function<void(const std::string&)> CliSettings::HistoryHook() { return history_.Hook(); }

}  // namespace vexon::cli
