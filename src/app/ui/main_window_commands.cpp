#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>
#include <QUrl>

#include <chrono>

#include "app/command_ids.h"
#include "app/ui/about_dialog.h"
#include "app/ui/artwork.h"
#include "app/ui/list_view.h"
#include "app/ui/main_window.h"
#include "app/ui/qt_owner_channel.h"
#include "core/list_schemas.h"
#include "download/download_controller.h"
#include "hotwords/ui/hot_words_dialog.h"
#include "update/ui/update_dialog.h"
#include "update/update_agent.h"
#include "library/completed_log.h"
#include "library/result_links.h"
#include "search/search_controller.h"
#include "search/ui/search_options_dialog.h"
#include "storage/result_file.h"
#include "storage/system_options.h"
#include "storage/ui/system_options_dialog.h"

namespace vexon::app::ui {
namespace {

constexpr const char* kUsageHelpText =
    "使用方法:\n"
    "1. 在搜索框中输入歌名或歌手, 按回车或单击[搜索]按钮开始搜索。\n"
    "2. 搜索结果只列出检测过的有效链接; 可用类型选项和[更多]按钮筛选。\n"
    "3. 双击搜索结果开始下载, 或用右键菜单[另下载为]选择文件名和路径。\n"
    "4. 下载文件列表显示进度; 停止的下载可以继续, 重新启动后也能续传。\n"
    "5. 下载完成的文件转到已下载文件列表, 双击即可播放。\n"
    "6. 关闭窗口只隐藏到通知区域; 用[退出]结束程序。";

std::chrono::year_month_day Today() {
  return std::chrono::year_month_day{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
}

}  // namespace

void CVexonDlg::OnCommand(int command) {
  if (exiting_) return;
  switch (command) {
    case cmd::kSearch:
      OnSearch();
      break;
    case cmd::kStopSearch:
      search_->OnStopSearch();
      break;
    case cmd::kClearAndStopSearch:
      search_->OnClearAndStopSearch();
      break;
    case cmd::kStartDownload:
      downloadCtl_->OnStartDownload(resultsView_->SelectedRows());
      break;
    case cmd::kDownloadAs:
      downloadCtl_->OnDownloadAs(resultsView_->SelectedRows());
      break;
    case cmd::kCopyUrl:
      OnCopyUrl();
      break;
    case cmd::kOpenResults:
      OnOpenResults();
      break;
    case cmd::kSaveResults:
      OnSaveResults();
      break;
    case cmd::kResumeDownload:
      downloadCtl_->OnResumeDownload(downloadView_->SelectedRows());
      break;
    case cmd::kResumeAll:
      downloadCtl_->OnResumeAll();
      break;
    case cmd::kStopDownload:
      downloadCtl_->OnStopDownload(downloadView_->SelectedRows());
      break;
    case cmd::kStopAll:
      downloadCtl_->OnStopAll();
      break;
    case cmd::kDeleteDownload:
      downloadCtl_->OnDeleteDownload(downloadView_->SelectedRows());
      break;
    case cmd::kDeleteAll:
      downloadCtl_->OnDeleteAll();
      break;
    case cmd::kShowCompletedList:
      ShowCompletedList();
      break;
    case cmd::kShowDownloadList:
      ShowDownloadList();
      break;
    case cmd::kSearchOptions:
      OnSearchOptions();
      break;
    case cmd::kSystemOptions:
      OnSystemOptions();
      break;
    case cmd::kExit:
      OnExit();
      break;
    case cmd::kShowHide:
      ToggleShown();
      break;
    case cmd::kAbout:
    case cmd::kSystemMenuAbout:
      OnAbout();
      break;
    case cmd::kUsageHelp:
      OnUsageHelp();
      break;
    case cmd::kVisitHomePage:
      OnVisitHomePage();
      break;
    case cmd::kPlayOnline:
      if (const auto url = SelectedResultUrl()) resultLinks_->OnPlayOnline(*url);
      break;
    case cmd::kVisitSite:
      if (const auto url = SelectedResultUrl()) resultLinks_->OnVisitSite(*url);
      break;
    case cmd::kPlay:
      completedLog_->OnPlay(completedView_->SelectedRows());
      break;
    case cmd::kMoveFile:
      completedLog_->OnMoveFile(completedView_->SelectedRows());
      break;
    case cmd::kDeleteFile:
      completedLog_->OnDeleteFiles(completedView_->SelectedRows());
      break;
    case cmd::kDeleteAllFiles:
      completedLog_->OnDeleteAllFiles();
      break;
    case cmd::kClearLogItem:
      completedLog_->OnClearLogItems(completedView_->SelectedRows());
      break;
    case cmd::kClearAllLogItems:
      completedLog_->OnClearAllLogItems();
      break;
    case cmd::kHotWords:
      ShowHotWords();
      break;
    case cmd::kCheckUpdate:
      OnCheckUpdate();
      break;
    default:
      break;
  }
  ScheduleCommandUpdate();
}

void CVexonDlg::ShowHotWords() {
  if (hotWords_ == nullptr) {
    const std::string pageUrl = config_.siteUrl + kHotWordsPageName;
    const std::filesystem::path startDir = config_.startDir;
    hotWords_ = new hotwords::ui::CHotWordsDlg(
        config_.startDir, *hotWordsJob_,
        [pageUrl, startDir](const std::function<bool()>& stop) {
          return hotwords::RefreshWordListFromSite(pageUrl, startDir, stop);
        },
        [this](const std::string& word) { OnHotWord(word); }, this);
    hotWords_->adjustSize();
    hotWords_->move(geometry().center() - hotWords_->rect().center());
  }
  hotWords_->show();
  hotWords_->raise();
  hotWords_->activateWindow();
}

void CVexonDlg::OnCheckUpdate() {
  const std::filesystem::path executable = config_.executable;
  const std::string base = config_.siteUrl + kUpdateFolderName;
  update::ui::CUpdateDlg dialog(
      *updateJob_,
      [executable, base](const std::function<bool()>& stop) {
        update::UpdateAgentConfig agentConfig;
        agentConfig.executable = executable;
        agentConfig.stopRequested = stop;
        return update::UpdateAgent(std::move(agentConfig)).CheckForUpdate(base);
      },
      *prompter_, this);
  dialog.exec();
}

void CVexonDlg::OnHotWord(const std::string& word) {
  // Sent on the window's own thread, the handler runs at once under the owner lock.
  channel_->Send(core::Msg::HotWord, [this, &word] {
    searchBox_->setEditText(QString::fromStdString(word));
    OnCommand(cmd::kSearch);
  });
}

void CVexonDlg::OnSearch() { search_->OnSearch(searchBox_->currentText().toStdString()); }

void CVexonDlg::OnSearchOptions() {
  search::ui::CSearchOptionsDlg dialog(options_, Today(), *prompter_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  SyncTypeBoxes();
  SetMoreButtonImage();
}

void CVexonDlg::OnSystemOptions() {
  storage::SystemOptions fields = storage::CurrentSystemOptions(settings_);
  storage::ui::CSystemOptionsDlg dialog(fields, *folders_, *prompter_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const storage::OptionsChanges changes =
      storage::ApplySystemOptions(fields, settings_, store_, history_, *completedLog_);
  if (changes.maxDownloadThreads) downloadCtl_->ApplyMaxDownloadThreads(settings_.MaxDownloadThreads);
  if (changes.searchHistoryMaxItems) {
    const QString typed = searchBox_->currentText();
    RefillHistoryBox();
    searchBox_->setEditText(typed);
  }
}

void CVexonDlg::OnAbout() {
  CAboutDlg dialog(this);
  dialog.exec();
}

void CVexonDlg::OnUsageHelp() {
  prompter_->Show(kUsageHelpText, core::MessageIcon::kInformation, core::MessageButtons::kOk);
}


void CVexonDlg::OnVisitHomePage() {
  const QUrl url(QString::fromStdString(config_.siteUrl + kHomePageName));
  if (ports_.openUrl) {
    ports_.openUrl(url);
  } else {
    QDesktopServices::openUrl(url);
  }
}

std::optional<std::string> CVexonDlg::SelectedResultUrl() const {
  const std::vector<size_t> rows = resultsView_->SelectedRows();
  if (rows.empty()) return std::nullopt;
  return results_.Cell(rows.front(), core::kResultUrl);
}

void CVexonDlg::OnCopyUrl() {
  if (const auto url = SelectedResultUrl()) QApplication::clipboard()->setText(QString::fromStdString(*url));
}

void CVexonDlg::OnSaveResults() {
  const std::filesystem::path proposed =
      storage::DefaultResultFileName(config_.startDir, search_->currentKeyword());
  const QString proposedText = QString::fromStdString(proposed.string());
  QString chosen;
  if (ports_.chooseSaveFile) {
    chosen = ports_.chooseSaveFile(proposedText);
  } else {
    QFileDialog dialog(this, QString(), proposedText, QString::fromUtf8(kResultFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("msf"));
    dialog.selectFile(proposedText);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
      chosen = dialog.selectedFiles().front();
    }
  }
  if (chosen.isEmpty()) return;
  // The file is written in index order whatever the list's sort.
  const storage::ResultFileStatus status = storage::WriteResultFile(chosen.toStdString(), results_);
  if (!status) {
    prompter_->Show("不能保存文件 " + chosen.toStdString() + ": " + status.error, core::MessageIcon::kExclamation,
                    core::MessageButtons::kOk);
  }
}

void CVexonDlg::OnOpenResults() {
  const QString folder =
      QString::fromStdString((config_.startDir / std::string(storage::kResultFolderName)).string());
  QString chosen;
  if (ports_.chooseOpenFile) {
    chosen = ports_.chooseOpenFile(folder);
  } else {
    chosen = QFileDialog::getOpenFileName(this, QString(), folder, QString::fromUtf8(kResultFileFilter));
  }
  if (chosen.isEmpty()) return;
  search_->OnClearAndStopSearch();
  const std::string keyword = storage::KeywordFromResultFileName(chosen.toStdString());
  search_->SetCurrentKeyword(keyword);
  const storage::ResultFileStatus status = storage::ReadResultFile(chosen.toStdString(), results_);
  searchBox_->setEditText(QString::fromStdString(keyword));
  if (!status) {
    prompter_->Show("不能打开文件 " + chosen.toStdString() + ": " + status.error, core::MessageIcon::kExclamation,
                    core::MessageButtons::kOk);
  }
}

}  // namespace vexon::app::ui
