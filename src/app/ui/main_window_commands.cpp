#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>
#include <QUrl>

#include <chrono>
#include <filesystem>
#include <system_error>

#include "app/command_ids.h"
#include "app/copied_url.h"
#include "app/ui/about_dialog.h"
#include "app/ui/artwork.h"
#include "app/ui/main_window.h"
#include "app/ui/qt_owner_channel.h"
#include "core/list_schemas.h"
#include "core/reveal_file.h"
#include "download/download_controller.h"
#include "download/pasted_links.h"
#include "hotwords/ui/hot_words_dialog.h"
#include "library/completed_log.h"
#include "library/result_links.h"
#include "search/search_controller.h"
#include "search/ui/search_options_dialog.h"
#include "storage/result_file.h"
#include "storage/system_options.h"
#include "storage/ui/system_options_dialog.h"
#include "update/ui/update_dialog.h"
#include "widgets/list_view.h"
#include "widgets/texts.h"

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
    case cmd::kSearch: OnSearch(); break;
    case cmd::kStopSearch: session_.search().OnStopSearch(); break;
    case cmd::kClearAndStopSearch: session_.search().OnClearAndStopSearch(); break;
    case cmd::kStartDownload: session_.downloads().OnStartDownload(resultsView_->SelectedRows()); break;
    case cmd::kDownloadAs: session_.downloads().OnDownloadAs(resultsView_->SelectedRows()); break;
    case cmd::kCopyUrl: OnCopyUrl(); break;
    case cmd::kOpenResults: OnOpenResults(); break;
    case cmd::kSaveResults: OnSaveResults(); break;
    case cmd::kResumeDownload: session_.downloads().OnResumeDownload(downloadView_->SelectedRows()); break;
    case cmd::kResumeAll: session_.downloads().OnResumeAll(); break;
    case cmd::kStopDownload: session_.downloads().OnStopDownload(downloadView_->SelectedRows()); break;
    case cmd::kStopAll: session_.downloads().OnStopAll(); break;
    case cmd::kDeleteDownload: session_.downloads().OnDeleteDownload(downloadView_->SelectedRows()); break;
    case cmd::kDeleteAll: session_.downloads().OnDeleteAll(); break;
    case cmd::kDownloadAddress: OnDownloadAddress(); break;
    case cmd::kShowCompletedList: ShowCompletedList(); break;
    case cmd::kShowDownloadList: ShowDownloadList(); break;
    case cmd::kSearchOptions: OnSearchOptions(); break;
    case cmd::kSystemOptions: OnSystemOptions(); break;
    case cmd::kExit: OnExit(); break;
    case cmd::kShowHide: ToggleShown(); break;
    case cmd::kAbout:
    case cmd::kSystemMenuAbout: OnAbout(); break;
    case cmd::kUsageHelp: OnUsageHelp(); break;
    case cmd::kVisitHomePage: OnVisitHomePage(); break;
    case cmd::kPlayOnline:
      if (const auto url = SelectedResultUrl()) session_.links().OnPlayOnline(*url);
      break;
    case cmd::kVisitSite:
      if (const auto url = SelectedResultUrl()) session_.links().OnVisitSite(*url);
      break;
    case cmd::kPlay: session_.log().OnPlay(completedView_->SelectedRows()); break;
    case cmd::kOpenFile: session_.log().OnOpen(completedView_->SelectedRows()); break;
    case cmd::kShowFileFolder: ShowNote(session_.log().OnShowInFolder(completedView_->SelectedRows())); break;
    case cmd::kShowDownloadFolder: OnShowDownloadFolder(); break;
    case cmd::kMoveFile: session_.log().OnMoveFile(completedView_->SelectedRows()); break;
    case cmd::kDeleteFile: session_.log().OnDeleteFiles(completedView_->SelectedRows()); break;
    case cmd::kDeleteAllFiles: session_.log().OnDeleteAllFiles(); break;
    case cmd::kClearLogItem: session_.log().OnClearLogItems(completedView_->SelectedRows()); break;
    case cmd::kClearAllLogItems: session_.log().OnClearAllLogItems(); break;
    case cmd::kHotWords: ShowHotWords(); break;
    case cmd::kCheckUpdate: OnCheckUpdate(); break;
    default: break;
  }
  ScheduleCommandUpdate();
}

void CVexonDlg::OnShowDownloadFolder() {
  const std::vector<size_t> rows = downloadView_->SelectedRows();
  const download::DownloadItem* item = rows.empty() ? nullptr : session_.downloads().ItemAtRow(rows.front());
  if (item == nullptr) return;
  // Until it completes, the file on disk is the partial one.
  std::error_code ec;
  const std::string partial = download::PartialPathOf(item->fullName());
  const std::string& shown = std::filesystem::exists(item->fullName(), ec) ? item->fullName() : partial;
  if (core::RevealFile(session_.shell(), shown) == core::RevealOutcome::kNothing) {
    ShowNote(session_.texts().Fill(library::kFolderGoneFormat,
                                   std::filesystem::path(item->fullName()).parent_path().string()));
  }
}

void CVexonDlg::ShowNote(const std::string& note) {
  if (note.empty()) return;
  statusNote_ = note;
  RefreshCounters();
}

void CVexonDlg::ShowHotWords() {
  if (hotWords_ == nullptr) {
    hotWords_ = new hotwords::ui::CHotWordsDlg(
        session_.config().startDir, session_.hotWordsJob(), session_.HotWordsRefresh(),
        [this](const std::string& word) { OnHotWord(word); }, session_.texts(), this);
    hotWords_->adjustSize();
    hotWords_->move(geometry().center() - hotWords_->rect().center());
  }
  hotWords_->show();
  hotWords_->raise();
  hotWords_->activateWindow();
}

void CVexonDlg::OnCheckUpdate() {
  update::ui::CUpdateDlg dialog(session_.updateJob(), session_.UpdateCheck(), *prompter_, session_.texts(), this);
  dialog.exec();
}

void CVexonDlg::OnHotWord(const std::string& word) {
  // Sent on the window's own thread, the handler runs at once under the owner lock.
  channel_.Send(core::Msg::HotWord, [this, &word] {
    searchBox_->setEditText(QString::fromStdString(word));
    OnCommand(cmd::kSearch);
  });
}

void CVexonDlg::OnSearch() {
  statusNote_.clear();
  const QString typed = searchBox_->currentText();
  // Nothing but links: they are fetched, not searched for.
  if (download::IsOnlyAddresses(typed.toStdString())) {
    QueueAddresses(typed);
    return;
  }
  session_.search().OnSearch(typed.toStdString());
}

void CVexonDlg::OnSearchOptions() {
  const std::string sources = search::SourcesText(session_.options());
  search::ui::CSearchOptionsDlg dialog(session_.options(), Today(), *prompter_, session_.texts(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (search::SourcesText(session_.options()) != sources) session_.SaveSources();
  SyncTypeBoxes();
  SetMoreButtonImage();
}

void CVexonDlg::OnSystemOptions() {
  storage::SystemOptions fields = storage::CurrentSystemOptions(session_.settings());
  storage::ui::CSystemOptionsDlg dialog(fields, *folders_, *prompter_, session_.texts(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  const storage::OptionsChanges changes =
      storage::ApplySystemOptions(fields, session_.settings(), session_.store(), session_.history(), session_.log());
  if (changes.maxDownloadThreads) session_.downloads().ApplyMaxDownloadThreads(session_.settings().MaxDownloadThreads);
  if (changes.searchHistoryMaxItems) {
    const QString typed = searchBox_->currentText();
    RefillHistoryBox();
    searchBox_->setEditText(typed);
  }
}

void CVexonDlg::OnAbout() {
  CAboutDlg dialog(session_.texts(), this);
  dialog.exec();
}

void CVexonDlg::OnUsageHelp() {
  prompter_->Show(std::string(session_.texts()(kUsageHelpText)), core::MessageIcon::kInformation,
                  core::MessageButtons::kOk);
}

void CVexonDlg::OnVisitHomePage() {
  const QUrl url(QString::fromStdString(session_.config().siteUrl + kHomePageName));
  if (ports_.openUrl) {
    ports_.openUrl(url);
  } else {
    QDesktopServices::openUrl(url);
  }
}

std::optional<std::string> CVexonDlg::SelectedResultUrl() const {
  const std::vector<size_t> rows = resultsView_->SelectedRows();
  if (rows.empty()) return std::nullopt;
  const core::ResultRow* result = session_.resultList().At(rows.front());
  if (result == nullptr) return std::nullopt;
  return result->url;
}

void CVexonDlg::OnCopyUrl() {
  if (const auto url = SelectedResultUrl()) QApplication::clipboard()->setText(QString::fromStdString(CopiedUrl(*url)));
}

void CVexonDlg::OnSaveResults() {
  const QString proposed = QString::fromStdString(session_.resultFiles().ProposedSaveName().string());
  QString chosen;
  if (ports_.chooseSaveFile) {
    chosen = ports_.chooseSaveFile(proposed);
  } else {
    QFileDialog dialog(this, QString(), proposed, widgets::Text(session_.texts(), kResultFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("msf"));
    dialog.selectFile(proposed);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
      chosen = dialog.selectedFiles().front();
    }
  }
  if (chosen.isEmpty()) return;
  const storage::ResultFileStatus status = session_.resultFiles().Save(chosen.toStdString());
  if (!status) {
    prompter_->Show(session_.texts().Fill("不能保存文件 %1: %2", chosen.toStdString(), status.error),
                    core::MessageIcon::kExclamation, core::MessageButtons::kOk);
  }
}

void CVexonDlg::OnOpenResults() {
  const QString folder = QString::fromStdString(session_.resultFiles().OpenFolder().string());
  QString chosen;
  if (ports_.chooseOpenFile) {
    chosen = ports_.chooseOpenFile(folder);
  } else {
    chosen = QFileDialog::getOpenFileName(this, QString(), folder, widgets::Text(session_.texts(), kResultFileFilter));
  }
  if (chosen.isEmpty()) return;
  std::string words;
  const storage::ResultFileStatus status = session_.resultFiles().Open(chosen.toStdString(), words);
  searchBox_->setEditText(QString::fromStdString(words));
  if (!status) {
    prompter_->Show(session_.texts().Fill("不能打开文件 %1: %2", chosen.toStdString(), status.error),
                    core::MessageIcon::kExclamation, core::MessageButtons::kOk);
  }
}

}  // namespace vexon::app::ui
