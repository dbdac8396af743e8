#pragma once

#include <QDialog>
#include <QSize>
#include <QString>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/command_rules.h"
#include "app/download_notices.h"
#include "app/download_presence.h"
#include "app/session.h"
#include "app/splitter_limits.h"
#include "app/ui/column_widths.h"
#include "core/folder_chooser.h"
#include "core/prompter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QStackedWidget;
class QSystemTrayIcon;
class QTimer;
class QToolBar;
class QToolButton;
class QUrl;

namespace vexon::hotwords::ui {
class CHotWordsDlg;
}
namespace vexon::widgets {
class ListView;
}

namespace vexon::app::ui {

class CommandSet;
class QtOwnerChannel;

inline constexpr const char* kMainWindowTitle = "维松Mp3";
inline constexpr const char* kTrayTip = core::kMessageCaption;
inline constexpr int kStatusTimerMs = 1111;
inline constexpr int kExitDelayMs = 300;
inline constexpr const char* kResultFileFilter = "维松MP3搜索结果文件(*.msf)";
inline constexpr const char* kHomePageName = "vexonindex.htm";
inline constexpr size_t kAskAboveAddresses = 20;
// The window's size at its first start, where the screen has room for it.
inline constexpr QSize kStartSize{848, 600};

// The window's own ways to the user, which tests replace; the session's controllers
// have theirs from the session.
struct WindowPorts {
  core::Prompter* prompter = nullptr;
  core::FolderChooser* folders = nullptr;
  // The chosen result file, or empty when cancelled. Empty members: Qt's dialogs.
  std::function<QString(const QString& proposed)> chooseSaveFile;
  std::function<QString(const QString& folder)> chooseOpenFile;
  std::function<void(const QUrl&)> openUrl;
  // The addresses typed into the "download address" dialog, or nothing when it was
  // cancelled. Empty: Qt's dialog.
  std::function<std::optional<QString>()> askAddresses;
  std::optional<bool> trayAvailable;
  // The desktop's notices, launcher icon and sleep hold. Empty or null: over the
  // session and system buses.
  app::DownloadNotices::MakeNotifier makeNotifier;
  core::LauncherProgress* launcher = nullptr;
  core::SleepInhibitor* inhibitor = nullptr;
};

// The main window: search box, type boxes, the results list and below it the
// download list or the downloaded list, menus, toolbars, counters and the tray.
// It shows the session's lists and turns commands (all through OnCommand) into
// calls of its controllers. Controls carry their numeric ids as object names.
class CVexonDlg final : public QDialog, private search::SearchListener, private download::DownloadListener {
  Q_OBJECT

 public:
  // The session's workers report through `channel`, which the window shuts down
  // when it goes, before the session does.
  CVexonDlg(Session& session, QtOwnerChannel& channel, WindowPorts ports, QWidget* parent = nullptr);
  ~CVexonDlg() override;

  void OnCommand(int command);
  // Brings the window, or the dialog open over it, to the front.
  void Activate();

  // The status refresh of the 1111 ms timer.
  void RefreshCounters();
  // The enabling rules, as run when the event queue is idle.
  void UpdateCommands();
  // The context menu for a right-click at a global point, if any region has one.
  QMenu* ContextMenuAt(const QPoint& globalPoint);
  void HideToTray();
  void ShowFromTray();
  // A left click on the tray icon (and "打开/隐藏").
  void ToggleShown();
  // A right click on the tray icon: its menu, or the window while a dialog is open.
  void TrayRightClick();
  // The lower list on view, its toolbar and the mirrored popup.
  bool downloadListOnView() const { return downloadListOnView_; }
  const SplitterLimits& splitterLimits() const { return splitterLimits_; }

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
  CommandState CurrentCommandState() const;
  void BuildWidgets();
  void BuildMenus();
  void BuildTray();
  // Tab order, Delete on the lower lists and Ctrl+F; the menu commands' keys are
  // their actions'.
  void BuildKeys();
  // A command by key: only when its rules allow it now.
  void RunIfEnabled(int command);
  // Opens on the kept place where it is still on a screen, else at the start size.
  void PlaceWindow();
  // Notices, the launcher entry and the sleep hold, after the tray.
  void BuildDesktopServices();
  // Where no notification service answers: the tray's message, if there is a tray.
  void ShowTrayNotice(const core::DesktopNotice& notice);
  void ConnectSession();
  // What the window shows of searches and downloads as they go.
  void WordsSearched(const std::string& words) override;
  void CheckingChanged(const std::string& text) override;
  void AllFinished() override;
  void ConnectUpdates(widgets::ListView& view);
  void ScheduleCommandUpdate();
  void ShowContextMenu(const QPoint& globalPoint);
  void ApplySplitterLimits();
  void BoundMinimumSize();
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
  // Links given by paste, drop, the address dialog or the search box: every http and
  // https address of `text` queued as a download, after one question for more than
  // kAskAboveAddresses; the status line counts what was taken and what was not.
  void QueueAddresses(const QString& text);
  void OnDownloadAddress();
  void OnPaste();
  // The first selected download's file (or partial file) shown in its folder.
  void OnShowDownloadFolder();
  // A note after the counters until the next search; empty leaves the last one.
  void ShowNote(const std::string& note);

  Session& session_;
  search::SearchController::Subscription searchSubscription_;
  download::DownloadController::Subscription downloadSubscription_;
  QtOwnerChannel& channel_;
  WindowPorts ports_;
  std::unique_ptr<core::Prompter> ownPrompter_;
  std::unique_ptr<core::FolderChooser> ownFolders_;
  core::Prompter* prompter_ = nullptr;
  core::FolderChooser* folders_ = nullptr;

  // Widgets, owned by their Qt parents.
  CommandSet* commands_ = nullptr;
  QComboBox* searchBox_ = nullptr;
  QToolButton* searchButton_ = nullptr;
  QToolButton* hotWordsButton_ = nullptr;
  QToolButton* moreButton_ = nullptr;
  std::array<QCheckBox*, 6> typeBoxes_{};
  widgets::ListView* resultsView_ = nullptr;
  widgets::ListView* downloadView_ = nullptr;
  widgets::ListView* completedView_ = nullptr;
  QStackedWidget* lowerStack_ = nullptr;  // the download list, or the log with its filter
  QLineEdit* logFilter_ = nullptr;
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
  std::deque<SavedColumnWidths> columnWidths_;  // the three lists'
  // Before what uses them, so they go last.
  std::unique_ptr<core::LauncherProgress> ownLauncher_;
  std::unique_ptr<core::SleepInhibitor> ownInhibitor_;
  std::unique_ptr<DownloadNotices> notices_;
  std::unique_ptr<DownloadPresence> presence_;
  // Made on first use, then only shown again; owned by the window.
  hotwords::ui::CHotWordsDlg* hotWords_ = nullptr;

  storage::WindowPlacement openedPlacement_;
  bool placementKept_ = false;  // opened on the place the file keeps, as it stands
  SplitterLimits splitterLimits_;
  bool splitterStarted_ = false;
  bool shown_ = true;
  bool downloadListOnView_ = true;
  bool exiting_ = false;
  std::string statusNote_;  // after the counters until the next search or note
};

}  // namespace vexon::app::ui
