#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/background_job.h"
#include "core/list_table.h"
#include "core/owner_channel.h"
#include "core/prompter.h"
#include "core/result_list.h"
#include "core/shell.h"
#include "download/download_as_dialog.h"
#include "download/download_controller.h"
#include "download/download_texts.h"
#include "hotwords/site_refresh.h"
#include "library/associations.h"
#include "library/completed_log.h"
#include "library/move_file_form.h"
#include "library/result_links.h"
#include "search/result_files.h"
#include "search/search_controller.h"
#include "search/search_options.h"
#include "search/service_hosts.h"
#include "storage/app_settings.h"
#include "storage/profile.h"
#include "storage/search_history.h"
#include "storage/settings_batch.h"
#include "storage/settings_store.h"
#include "text/catalog.h"

namespace vexon::app {

// Where a session works and whom it calls.
struct SessionConfig {
  std::filesystem::path startDir;
  search::SearchHosts hosts;  // complete: flags, then the settings file, then defaults
  std::string siteUrl;        // the maker's site, ending in "/"
  // The program's own file, as named at start (after an update that name holds the
  // new release while the process still runs the old one).
  std::filesystem::path executable;
  // The download folder when the settings file names none; empty for "Downloads"
  // in the start-up directory.
  std::filesystem::path downloadFolder;
  // How many downloads transfer at once, instead of the settings file's number.
  std::optional<unsigned> maxDownloads;
  // The texts' language for everything the session tells the user.
  text::Translator texts{};
};

// The ways to the user that the front end provides.
struct SessionPorts {
  core::Prompter& prompter;
  download::DownloadAsDialog& downloadAs;
  library::MoveFileDialog& moveDialog;
  core::Shell& shell;
  library::Associations& associations;
};

inline constexpr const char* kHotWordsPageName = "poplist.htm";
inline constexpr const char* kUpdateFolderName = "downloads/";

// The core of one running program: settings, lists and controllers, built in the
// order they need each other and stopped in one place. The desktop window and
// vexon-cli each make one over their owner channel and their ports.
class Session final : private search::SearchListener, private download::DownloadListener {
 public:
  Session(SessionConfig config, core::OwnerChannel& channel, SessionPorts ports);
  // Stops every worker and joins it: the owner channel must refuse sends by then.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Reads the options, the history, the log and the unfinished downloads.
  void Load();
  // Only the options and the history: a front end that lists its own downloads.
  void LoadOptions();
  // Only the history and its maximum: a front end that only searches.
  void LoadSearchHistory();

  const SessionConfig& config() const { return config_; }
  const text::Translator& texts() const { return config_.texts; }
  storage::AppSettings& settings() { return settings_; }
  storage::SettingsStore& store() { return store_; }
  storage::SettingsBatch& batch() { return batch_; }
  storage::SearchHistory& history() { return history_; }
  search::SearchOptions& options() { return options_; }
  // Keeps the services the options ask in the settings file; false if it failed.
  bool SaveSources();
  core::ListTable& results() { return results_; }
  core::ResultList& resultList() { return resultList_; }
  core::ListTable& downloadList() { return downloads_; }
  core::ListTable& completedList() { return completed_; }
  search::SearchController& search() { return *search_; }
  download::DownloadController& downloads() { return *downloadsCtl_; }
  library::CompletedLog& log() { return *log_; }
  library::ResultLinks& links() { return *links_; }
  core::Shell& shell() { return shell_; }
  search::ResultFiles& resultFiles() { return *resultFiles_; }
  core::BackgroundJob& updateJob() { return updateJob_; }
  core::BackgroundJob& hotWordsJob() { return hotWordsJob_; }

  // The network work of the update and hot-words windows, for a job's thread;
  // each ends early when `stop` says so.
  std::function<int(const std::function<bool()>& stop)> UpdateCheck() const;
  std::function<hotwords::RefreshOutcome(const std::function<bool()>& stop)> HotWordsRefresh() const;

 private:
  // The history and the log hear of searches and completions from the session
  // itself, whichever front ends listen too.
  void WordsSearched(const std::string& words) override;
  void DownloadCompleted(const std::string& fullPath, const std::string& sizeText) override;

  SessionConfig config_;
  core::Shell& shell_;
  const download::DownloadTexts downloadTexts_;  // the download controller speaks with them
  storage::Profile profile_;
  // Records and the log leave through it; it outlives the transfers that wait on it.
  storage::SettingsBatch batch_;
  storage::SettingsStore store_;
  storage::AppSettings settings_;
  storage::SearchHistory history_;
  search::SearchOptions options_;
  core::ListTable results_;
  core::ResultList resultList_;
  core::ListTable downloads_;
  core::ListTable completed_;
  std::unique_ptr<library::CompletedLog> log_;
  std::unique_ptr<library::ResultLinks> links_;
  std::unique_ptr<search::SearchController> search_;
  std::unique_ptr<search::ResultFiles> resultFiles_;
  std::unique_ptr<download::DownloadController> downloadsCtl_;
  search::SearchController::Subscription searchSubscription_;
  download::DownloadController::Subscription downloadSubscription_;
  // Last: their threads end before anything above goes.
  core::BackgroundJob updateJob_;
  core::BackgroundJob hotWordsJob_;
};

}  // namespace vexon::app
