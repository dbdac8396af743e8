#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindowStateChangeEvent>

#include <algorithm>

#include "app/command_ids.h"
#include "app/menu_layout.h"
#include "app/status_counters.h"
#include "app/ui/artwork.h"
#include "app/ui/command_set.h"
#include "app/ui/main_window.h"
#include "app/ui/window_placement.h"
#include "download/download_controller.h"
#include "hotwords/ui/hot_words_dialog.h"
#include "search/search_controller.h"
#include "widgets/list_view.h"
#include "widgets/texts.h"

namespace vexon::app::ui {
namespace {

// Commands whose rules run whatever list is on view.
constexpr std::array kAlwaysUpdated = {cmd::kDownloadAs, cmd::kCopyUrl, cmd::kVisitSite};

}  // namespace

void CVexonDlg::keyPressEvent(QKeyEvent* event) {
  // Enter does what a double-click does on the list with the focus, and searches
  // from the search box and the type choices; Escape does nothing (reject is empty).
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    event->accept();
    QWidget* focus = focusWidget();
    if (focus == resultsView_) {
      RunIfEnabled(cmd::kStartDownload);
    } else if (focus == downloadView_) {
      session_.downloads().OnDownloadDoubleClick(downloadView_->SelectedRows());
    } else if (focus == completedView_) {
      RunIfEnabled(cmd::kPlay);
    } else if (focus == searchBox_ || (focus != nullptr && focus->parentWidget() == searchBox_) ||
               std::any_of(typeBoxes_.begin(), typeBoxes_.end(), [focus](QCheckBox* box) { return box == focus; })) {
      OnCommand(cmd::kSearch);
    }
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CVexonDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (exiting_) return;
  // Closing only hides the window (or minimizes it where there is no tray).
  QMetaObject::invokeMethod(this, &CVexonDlg::HideToTray, Qt::QueuedConnection);
}

void CVexonDlg::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || exiting_) return;
  if (isMinimized()) {
    shown_ = false;
    if (TrayAvailable()) QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
  }
}

void CVexonDlg::HideToTray() {
  shown_ = false;
  if (TrayAvailable()) {
    hide();
  } else {
    showMinimized();
  }
}

void CVexonDlg::ShowFromTray() {
  // A maximized window comes back maximized.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
  shown_ = true;
}

void CVexonDlg::ToggleShown() {
  // Nothing while a dialog is open over the window.
  if (QApplication::activeModalWidget() != nullptr) return;
  if (shown_) {
    HideToTray();
  } else {
    ShowFromTray();
  }
}

void CVexonDlg::TrayRightClick() {
  if (QApplication::activeModalWidget() != nullptr) {
    ShowFromTray();
    return;
  }
  activateWindow();
  UpdateCommands();
  trayMenu_->popup(QCursor::pos());
}

void CVexonDlg::Activate() {
  ShowFromTray();
  if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->raise();
    modal->activateWindow();
  }
}

void CVexonDlg::OnExit() {
  if (exiting_) return;
  statusTimer_->stop();
  session_.search().OnStopSearch();
  session_.downloads().OnStopAll();
  session_.updateJob().Cancel();
  session_.hotWordsJob().Cancel();
  if (hotWords_ != nullptr) {
    hotWords_->hide();
    hotWords_->deleteLater();
    hotWords_ = nullptr;
  }
  exiting_ = true;
  // Stopping workers report their ends meanwhile; then the window closes.
  QTimer::singleShot(kExitDelayMs, this, [this] {
    if (tray_ != nullptr) tray_->hide();
    done(QDialog::Accepted);
    emit exited();
  });
}

void CVexonDlg::RefreshCounters() {
  if (presence_ != nullptr) presence_->Refresh();
  resultsCounter_->setText(QString::fromStdString(
      ResultsCounterText(session_.results().rowCount(), resultsView_->RowsPerPage(), session_.texts())));
  std::string status =
      StatusLineText(session_.downloads().CountByState(), downloadView_->selectedCount(),
                     session_.completedList().rowCount(), completedView_->selectedCount(), session_.texts());
  // A service that failed the current search says so after the counts.
  const std::string failures = session_.search().FailureText();
  if (!failures.empty()) status += "  " + failures;
  if (!statusNote_.empty()) status += "  " + statusNote_;
  statusLine_->setText(QString::fromStdString(status));
}

CommandState CVexonDlg::CurrentCommandState() const {
  CommandState state;
  state.resultRows = session_.results().rowCount();
  state.resultsSelected = resultsView_->selectedCount();
  state.searchRunning = session_.search().HasRunningTasks();
  std::vector<download::DownloadState> selected;
  for (size_t row : downloadView_->SelectedRows()) {
    if (const download::DownloadItem* item = session_.downloads().ItemAtRow(row)) selected.push_back(item->state);
  }
  ReadDownloadSelection(session_.downloadList().rowCount(), selected, state);
  state.completedRows = session_.completedList().rowCount();
  state.completedSelected = completedView_->selectedCount();
  return state;
}

void CVexonDlg::ScheduleCommandUpdate() {
  if (updateTimer_ != nullptr && !updateTimer_->isActive()) updateTimer_->start();
}

void CVexonDlg::UpdateCommands() {
  const CommandState state = CurrentCommandState();
  commands_->UpdateEnabled(ResultsToolbar(), state);
  commands_->UpdateEnabled(kAlwaysUpdated, state);
  // The rules of the hidden lower list wait until its toolbar shows.
  if (downloadListOnView_) {
    commands_->UpdateEnabled(DownloadToolbar(), state);
  } else {
    commands_->UpdateEnabled(CompletedToolbar(), state);
  }
}

QMenu* CVexonDlg::ContextMenuAt(const QPoint& globalPoint) {
  if (resultsView_->RowsAreaContains(globalPoint)) return resultsMenu_;
  if (downloadView_->isVisible() && downloadView_->RowsAreaContains(globalPoint)) return downloadMenu_;
  if (completedView_->isVisible() && completedView_->RowsAreaContains(globalPoint)) return completedMenu_;
  return nullptr;
}

void CVexonDlg::ShowContextMenu(const QPoint& globalPoint) {
  UpdateCommands();
  if (QMenu* menu = ContextMenuAt(globalPoint)) menu->popup(globalPoint);
}

void CVexonDlg::ShowDownloadList() {
  ShowLowerList(true);
}

void CVexonDlg::ShowCompletedList() {
  ShowLowerList(false);
}

void CVexonDlg::ShowLowerList(bool downloads) {
  if (downloadListOnView_ != downloads) {
    (downloads ? completedToolbar_ : downloadToolbar_)->hide();
    lowerStack_->setCurrentIndex(downloads ? 0 : 1);
    (downloads ? downloadToolbar_ : completedToolbar_)->show();
    // The third popup mirrors the context menu of the list on view.
    commands_->FillMenu(*barPopups_[2], downloads ? DownloadMenu() : CompletedMenu());
    const std::string_view title = downloads ? kDownloadPopupTitle : kCompletedPopupTitle;
    barPopups_[2]->setTitle(widgets::Text(session_.texts(), title));
    // Icon 172 marks the button of the list on view, 171 the other.
    downloadListButton_->setIcon(ButtonImage(downloads ? 172 : 171));
    completedListButton_->setIcon(ButtonImage(downloads ? 171 : 172));
    downloadListOnView_ = downloads;
  }
  downloadListButton_->setChecked(downloads);
  completedListButton_->setChecked(!downloads);
  (downloads ? downloadView_ : completedView_)->setFocus();
  UpdateCommands();
}

void CVexonDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (splitterStarted_) return;
  splitterStarted_ = true;
  // The frame is known now: it too must be on the screen.
  BoundMinimumSize();
  if (QScreen* shownOn = screen(); shownOn != nullptr && !isMaximized()) {
    const QRect area = shownOn->availableGeometry();
    const QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    if (!area.contains(frameGeometry())) setGeometry(FramedInto(geometry(), frame, area));
  }
  if (!placementKept_) openedPlacement_ = PlacementOf(*this);
  const int resultsTop = resultsView_->mapTo(this, QPoint(0, 0)).y();
  const int lowerBottom = lowerStack_->mapTo(this, QPoint(0, lowerStack_->height())).y();
  splitterLimits_ = SplitterLimits(resultsTop, lowerBottom, height());
  ApplySplitterLimits();
}

void CVexonDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (!splitterStarted_) return;
  splitterLimits_.WindowHeightChanged(height());
  ApplySplitterLimits();
}

void CVexonDlg::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  if (splitterStarted_) splitterLimits_.WindowHeightChanged(height());
}

void CVexonDlg::ApplySplitterLimits() {
  // The bar stays between its limits: each pane is kept tall enough on its side.
  const int upperTop = upperPane_->mapTo(this, QPoint(0, 0)).y();
  const int lowerBottom = lowerPane_->mapTo(this, QPoint(0, lowerPane_->height())).y();
  upperPane_->setMinimumHeight(std::max(0, splitterLimits_.lower() - upperTop));
  lowerPane_->setMinimumHeight(std::max(0, lowerBottom - splitterLimits_.upper() - splitter_->handleWidth()));
  BoundMinimumSize();
}

void CVexonDlg::BoundMinimumSize() {
  // What the controls need, but never more than the screen has room for: on a small
  // screen at a large scale they are squeezed rather than the window pushed off it.
  QSize least = layout()->totalMinimumSize();
  if (QScreen* shownOn = screen()) {
    const QSize frame = frameGeometry().size() - geometry().size();
    least = least.boundedTo(shownOn->availableGeometry().size() - frame);
  }
  if (least != minimumSize()) setMinimumSize(least);
}

}  // namespace vexon::app::ui
