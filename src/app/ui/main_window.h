#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/background_job.h"
#include "app/command_rules.h"
#include "core/folder_chooser.h"
#include "core/list_table.h"
#include "core/prompter.h"
#include "app/splitter_limits.h"
#include "download/download_slots.h"
#include "download/download_texts.h"
#include "library/associations.h"
#include "library/move_file_form.h"
#include "core/shell.h"
#include "search/query_url.h"
#include "search/search_options.h"
#include "storage/app_settings.h"
#include "storage/profile.h"
#include "storage/search_history.h"
#include "storage/settings_store.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QSystemTrayIcon;
class QTimer;
class QToolBar;
class QToolButton;

namespace vexon::search {
class SearchController;
}
namespace vexon::download {
class DownloadController;
class DownloadAsDialog;
}
namespace vexon::library {
class CompletedLog;
class ResultLinks;
}
namespace vexon::hotwords::ui {
class CHotWordsDlg;
}

namespace vexon::app::ui {

class CommandSet;
class ListView;
class QtOwnerChannel;

inline constexpr const char* kMainWindowTitle = "维松Mp3";
inline constexpr const char* kTrayTip = "维松MP3";
inline constexpr int kStatusTimerMs = 1111;
inline constexpr int kExitDelayMs = 300;
inline constexpr const char* kResultFileFilter = "维松MP3搜索结果文件(*.msf)";
inline constexpr const char* kHomePageName = "vexonindex.htm";
inline constexpr const char* kHotWordsPageName = "poplist.htm";
inline constexpr const char* kUpdateFolderName = "downloads/";

// What the main window starts from.
struct StartupConfig {
  std::filesystem::path startDir;
  search::SearchHosts hosts;  // complete: flags, then the settings file, then defaults
  std::string siteUrl;        // the maker's site, ending in "/"
  // The program's own file, as named at start (after an update that name holds the
  // new release while the process still runs the old one).
  std::filesystem::path executable;
};

// The window's ways to the user that tests replace. Empty members get the real ones.
struct WindowPorts {
  core::Prompter* prompter = nullptr;
  core::FolderChooser* folders = nullptr;
  download::DownloadAsDialog* downloadAs = nullptr;
  library::MoveFileDialog* moveDialog = nullptr;
  core::Shell* shell = nullptr;
  library::Associations* associations = nullptr;
  // The chosen result file, or empty when cancelled.
  std::function<QString(const QString& proposed)> chooseSaveFile;
  std::function<QString(const QString& folder)> chooseOpenFile;
  std::function<void(const QUrl&)> openUrl;
  std::optional<bool> trayAvailable;
};

// The main window: search box, type boxes, the results list and below it the
// download list or the downloaded list, menus, toolbars, counters and the tray.
// Every command enters through OnCommand.
class CVexonDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CVexonDlg(StartupConfig config, WindowPorts ports = {}, QWidget* parent = nullptr);
  ~CVexonDlg() override;

  void OnCommand(int command);
  // Brings the window, or the dialog open over it, to the front.
  void Activate();

  // Read by the tests and the benchmark.
  ListView& resultsView() { return *resultsView_; }
  ListView& downloadView() { return *downloadView_; }
  ListView& completedView() { return *completedView_; }
  QComboBox& searchBox() { return *searchBox_; }
  QLabel& resultsCounter() { return *resultsCounter_; }
  QLabel& checkingCounter() { return *checkingCounter_; }
  QLabel& statusLine() { return *statusLine_; }
  QMenu& menuBarPopup(int position);
  QMenu& contextMenu(int menuId);
  QToolBar& toolbar(int toolbarId);
  QToolButton& listButton(int controlId);
  QCheckBox& typeBox(int controlId);
  QAction& commandAction(int command);
  QSplitter& splitter() { return *splitter_; }
  const SplitterLimits& splitterLimits() const { return splitterLimits_; }
  bool shown() const { return shown_; }
  bool downloadListOnView() const { return downloadListOnView_; }
  bool exiting() const { return exiting_; }
  const storage::AppSettings& settings() const { return settings_; }
  search::SearchOptions& searchOptions() { return options_; }
  search::SearchController& searchController() { return *search_; }
  download::DownloadController& downloadController() { return *downloadCtl_; }
  QtOwnerChannel& channel() { return *channel_; }
  // The hot-words window once it exists.
  hotwords::ui::CHotWordsDlg* hotWordsWindow() { return hotWords_; }

  // The status refresh of the 1111 ms timer.
  void RefreshCounters();
  // The enabling rules, as run when the event queue is idle.
  void UpdateCommands();
  CommandState CurrentCommandState() const;
  // The context menu for a right-click at a global point, if any region has one.
  QMenu* ContextMenuAt(const QPoint& globalPoint);
  void HideToTray();
  void ShowFromTray();
  // A left click on the tray icon (and "打开/隐藏").
  void ToggleShown();
  // A right click on the tray icon: its menu, or the window while a dialog is open.
  void TrayRightClick();

 signals:
  // The exit sequence has ended.
  void exited();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;

 public slots:
  // Escape does nothing.
  void reject() override {}

 private:
  void BuildCore();
  void BuildWidgets();
  void BuildMenus();
  void BuildTray();
  void LoadSettings();
  void ConnectUpdates(ListView& view);
  void ScheduleCommandUpdate();
  void ShowContextMenu(const QPoint& globalPoint);
  void ApplySplitterLimits();
  void RefillHistoryBox();
  void SetMoreButtonImage();
  void SyncTypeBoxes();
  bool TrayAvailable() const;

  // Commands.
  void OnSearch();
  void OnSearchOptions();
  void OnSystemOptions();
  void OnExit();
  void OnAbout();
  void OnUsageHelp();
  void OnVisitHomePage();
  void OnOpenResults();
  void OnSaveResults();
  void OnCopyUrl();
  void ShowHotWords();
  void OnCheckUpdate();
  // A word of the hot-words window: searched exactly as the search button does.
  void OnHotWord(const std::string& word);
  // The URL of the first selected result, or nothing.
  std::optional<std::string> SelectedResultUrl() const;
  void ShowDownloadList();
  void ShowCompletedList();
  void ShowLowerList(bool downloads);
  void OnTypeBoxClicked(int controlId, bool checked);

  StartupConfig config_;
  WindowPorts ports_;

  // Core state, owned by the GUI thread.
  storage::Profile profile_;
  storage::SettingsStore store_;
  storage::AppSettings settings_;
  storage::SearchHistory history_;
  core::ListTable results_;
  core::ListTable downloads_;
  core::ListTable completed_;
  search::SearchOptions options_;
  download::DownloadTexts texts_;
  std::unique_ptr<download::DownloadSlots> slots_;
  std::unique_ptr<QtOwnerChannel> channel_;
  // Network work of the update and hot-words windows, off the window's thread.
  std::unique_ptr<core::BackgroundJob> updateJob_;
  std::unique_ptr<core::BackgroundJob> hotWordsJob_;
  std::unique_ptr<core::Prompter> ownPrompter_;
  std::unique_ptr<core::FolderChooser> ownFolders_;
  std::unique_ptr<download::DownloadAsDialog> ownDownloadAs_;
  std::unique_ptr<library::MoveFileDialog> ownMoveDialog_;
  std::unique_ptr<core::Shell> ownShell_;
  std::unique_ptr<library::Associations> ownAssociations_;
  core::Prompter* prompter_ = nullptr;
  core::FolderChooser* folders_ = nullptr;
  download::DownloadAsDialog* downloadAs_ = nullptr;
  std::unique_ptr<library::CompletedLog> completedLog_;
  std::unique_ptr<library::ResultLinks> resultLinks_;
  std::unique_ptr<search::SearchController> search_;
  std::unique_ptr<download::DownloadController> downloadCtl_;

  // Widgets, owned by their Qt parents.
  CommandSet* commands_ = nullptr;
  QComboBox* searchBox_ = nullptr;
  QToolButton* searchButton_ = nullptr;
  QToolButton* hotWordsButton_ = nullptr;
  QToolButton* moreButton_ = nullptr;
  std::array<QCheckBox*, 6> typeBoxes_{};
  ListView* resultsView_ = nullptr;
  ListView* downloadView_ = nullptr;
  ListView* completedView_ = nullptr;
  QStackedWidget* lowerStack_ = nullptr;
  QLabel* resultsCounter_ = nullptr;
  QLabel* checkingCounter_ = nullptr;
  QLabel* statusLine_ = nullptr;
  QToolButton* downloadListButton_ = nullptr;
  QToolButton* completedListButton_ = nullptr;
  QToolBar* resultsToolbar_ = nullptr;
  QToolBar* downloadToolbar_ = nullptr;
  QToolBar* completedToolbar_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QWidget* upperPane_ = nullptr;
  QWidget* lowerPane_ = nullptr;
  std::array<QMenu*, 4> barPopups_{};
  QMenu* resultsMenu_ = nullptr;
  QMenu* downloadMenu_ = nullptr;
  QMenu* completedMenu_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  QTimer* statusTimer_ = nullptr;
  QTimer* updateTimer_ = nullptr;
  // Made on first use, then only shown again; owned by the window.
  hotwords::ui::CHotWordsDlg* hotWords_ = nullptr;

  SplitterLimits splitterLimits_;
  bool splitterStarted_ = false;
  bool shown_ = true;
  bool downloadListOnView_ = true;
  bool exiting_ = false;
};

}  // namespace vexon::app::ui
