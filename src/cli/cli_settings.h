#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "search/query_url.h"
#include "storage/app_settings.h"
#include "storage/profile.h"
#include "storage/search_history.h"
#include "storage/settings_store.h"

namespace vexon::cli {

// The settings file of the start-up directory as the headless commands use it.
class CliSettings final {
 public:
  explicit CliSettings(const std::filesystem::path& startDir = std::filesystem::current_path());

  // Fills hosts not given on the command line from the file, then the defaults.
  // False, with `error`, when the file holds a host that is not a host.
  bool ApplyHosts(search::SearchHosts& hosts, std::string& error) const;
  // Records a search's words in the history of the file.
  std::function<void(const std::string&)> HistoryHook();

 private:
  storage::Profile profile_;
  storage::SettingsStore store_;
  storage::AppSettings settings_;
  storage::SearchHistory history_;
};

}  // namespace vexon::cli
